#include "app/app_state.h"

#include "endpoints.h"

Endpoints Endpoints::defaults() {
  return {endpoints::kServiceBaseAddress, endpoints::kApiHost,      endpoints::kItemPageHost,
          endpoints::kMallItemPageHost,   endpoints::kNewsPageUrl, endpoints::kHelpPageUrl};
}

AppState::AppState() = default;

AppState::~AppState() {
  // Workers of a run are joined by their owner before the state goes; a thread
  // still joinable here would end the process, so wait for it instead.
  for (auto& t : workerThreads)
    if (t.joinable()) t.join();
}
