#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/credentials.h"
#include "app/app_state.h"
#include "support/fake_ui.h"
#include "support/loopback_server.h"

namespace {

class Credentials : public ::testing::Test {
 protected:
  Credentials() {
    state.ui = &ui;
    state.serviceBaseAddress = server.url("/");
  }
  // Serves the list file where the program asks for it: the base already ends
  // in "/", so the path starts with two slashes.
  void serveList(loopback::Reply reply) { server.serve("//app3.xml", std::move(reply)); }
  void serveList(const std::string& xml) { serveList(loopback::Reply::text(xml, "text/xml")); }

  std::vector<std::string> pairs() const {
    std::vector<std::string> out;
    for (const auto& c : state.credentials) out.push_back(c.appKey + "|" + c.appSecret);
    return out;
  }

  FakeUiServices ui;
  loopback::LoopbackServer server;
  AppState state;
};

using Pairs = std::vector<std::string>;

TEST_F(Credentials, ChildrenOfAnyNameInDocumentOrder) {
  serveList(
      "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
      "<apps version=\"3\" appkey=\"root-is-not-read\">\n"
      "  <app appkey=\"21000001\" appsecret=\"0a1b2c3d4e5f\" note=\"main\"/>\n"
      "  <key appsecret=\"ffee0011\" appkey=\"21000002\"></key>\n"
      "  <x appkey=\"21000003\" appsecret=\"99aa\"><inner appkey=\"deeper-is-not-read\"/></x>\n"
      "</apps>\n");
  EXPECT_TRUE(loadCredentials(state));
  EXPECT_EQ(pairs(), (Pairs{"21000001|0a1b2c3d4e5f", "21000002|ffee0011", "21000003|99aa"}));

  const auto sent = server.lastRequest();
  EXPECT_EQ(sent.method, "GET");
  EXPECT_EQ(sent.path, "//app3.xml");
  EXPECT_EQ(server.requestCount(), 1u) << "nothing is retried";
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Credentials, MissingAttributesAndDuplicatesStayInTheList) {
  struct Case {
    const char* what;
    const char* xml;
    Pairs expected;
  } cases[] = {
      {"no secret", "<r><a appkey=\"k1\"/><a appkey=\"k2\"/></r>", {"k1|", "k2|"}},
      {"no key", "<r><a appsecret=\"s1\"/></r>", {"|s1"}},
      {"empty values", "<r><a appkey=\"\" appsecret=\"\"/></r>", {"|"}},
      {"element without either", "<r><note>list v3</note><a appkey=\"k\" appsecret=\"s\"/></r>", {"k|s"}},
      {"duplicate keys", "<r><a appkey=\"k\" appsecret=\"s1\"/><a appkey=\"k\" appsecret=\"s2\"/></r>",
       {"k|s1", "k|s2"}},
  };
  for (const auto& c : cases) {
    serveList(c.xml);
    EXPECT_TRUE(loadCredentials(state)) << c.what;
    EXPECT_EQ(pairs(), c.expected) << c.what;
  }
}

TEST_F(Credentials, NothingUsableGivesAnEmptyList) {
  struct Case {
    const char* what;
    loopback::Reply reply;
  } cases[] = {
      {"empty answer", loopback::Reply::text("", "text/xml")},
      {"childless root", loopback::Reply::text("<?xml version=\"1.0\"?><apps></apps>", "text/xml")},
      {"empty root", loopback::Reply::text("<apps/>", "text/xml")},
      {"error page", loopback::Reply::withStatus(
                         404, "Not Found",
                         "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n"
                         "<title>404 Not Found</title>\n</head><body>\n<h1>Not Found</h1>\n"
                         "<p>The requested URL was not found on this server.</p>\n<hr>\n</body></html>\n")},
      {"error page, status 200",
       loopback::Reply::text("<html><head><title>服务维护中</title></head><body><h1>服务维护中</h1>"
                             "<p>请稍后再试<br></p></body></html>")},
      // Well-formed, so the reader takes it; its elements carry no pair at all.
      {"well-formed error page",
       loopback::Reply::text("<?xml version=\"1.0\"?>\n<html><head><title>503</title></head>\n"
                             "<body class=\"err\"><h1>Service Unavailable</h1></body></html>")},
      {"plain text", loopback::Reply::text("service unavailable", "text/plain")},
  };
  for (auto& c : cases) {
    state.credentials = {{"stale", "pair"}};
    serveList(c.reply);
    EXPECT_FALSE(loadCredentials(state)) << c.what;
    EXPECT_TRUE(state.credentials.empty()) << c.what;
  }
}

TEST_F(Credentials, NoServiceGivesAnEmptyList) {
  server.stop();
  EXPECT_FALSE(loadCredentials(state));
  EXPECT_TRUE(state.credentials.empty());
}

}  // namespace
