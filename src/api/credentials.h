// API credentials: app key and app secret pairs fetched from the maker's service.
#pragma once

#include <string>
#include <vector>

struct ApiCredential {
  std::string appKey;
  std::string appSecret;
};

// Ordered, filled once at start-up, read-only afterwards.
using CredentialList = std::vector<ApiCredential>;

struct AppState;
// Fills state.credentials from state.serviceBaseAddress + "/app3.xml"; true when
// the list has at least one entry. Window thread, during start-up.
bool loadCredentials(AppState& state);
