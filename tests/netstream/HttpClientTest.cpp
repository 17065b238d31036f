// The network stream client's HTTP client against a loopback HTTP server.
#include <gtest/gtest.h>

#include <string>

#include "LoopbackHttpServer.h"
#include "netstream/HttpClient.h"

using audiofixtures::LoopbackHttpServer;

TEST(HttpClient, SendsItsUserAgentAndFollowsRedirects) {
  LoopbackHttpServer server;
  server.ServeText("/feed.xml", 200, "text/xml", "<rss/>");
  server.ServeRedirect("/old", "/moved");
  server.ServeRedirect("/moved", "/feed.xml");
  auto client = CreateHTTPClient();

  EXPECT_EQ(client->Get(server.Url("/old")), "<rss/>");
  EXPECT_EQ(client->ResponseCode(), 200);
  EXPECT_EQ(server.LastRequestHeader("/feed.xml", "User-Agent"),
            "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)");
  EXPECT_EQ(server.Requests("/old"), 1);
}

TEST(HttpClient, ErrorStatusesAndUnreachableServersThrow) {
  LoopbackHttpServer server;
  server.ServeText("/missing", 404, "text/html", "<html>not here</html>");
  server.ServeText("/broken", 500, "text/html", "<html>oops</html>");
  auto client = CreateHTTPClient();

  for (const char* path : {"/missing", "/broken"}) {
    SCOPED_TRACE(path);
    EXPECT_THROW(client->Get(server.Url(path)), EHTTPClientError);
  }
  EXPECT_EQ(client->ResponseCode(), 500);

  const std::string closedPort = "http://127.0.0.1:1/feed.xml";
  EXPECT_THROW(client->Get(closedPort), EHTTPClientError);
  EXPECT_THROW(client->Get("ftp://127.0.0.1/feed.xml"), EHTTPClientError);
}

TEST(HttpClient, ServerThatNeverAnswersEndsAtTheReadTimeout) {
  LoopbackHttpServer server;
  server.ServeNothing("/silent");
  auto client = CreateHTTPClient();
  client->SetReadTimeout(500);

  try {
    client->Get(server.Url("/silent"));
    FAIL() << "a silent server gave a body";
  } catch (const EHTTPClientError& error) {
    EXPECT_NE(std::string(error.what()).find("Read timed out"), std::string::npos) << error.what();
  }
}

TEST(HttpClient, GuardsDisconnectPastTheLimitOrWithoutAnnouncedLength) {
  LoopbackHttpServer server;
  server.ServeText("/ten", 200, "application/octet-stream", std::string(10, 'x'));
  audiofixtures::StreamScript chunked;  // no Content-Length
  chunked.contentType = "application/octet-stream";
  chunked.body = std::string(10, 'y');
  server.Serve("/chunked", chunked);

  struct Case {
    const char* path;
    int64_t limitBytes;
    bool lengthRequired;
    bool succeeds;
  };
  const Case cases[] = {
      {"/ten", 10, false, true},       // exactly the limit is allowed
      {"/ten", 9, false, false},       // one byte over
      {"/ten", 10, true, true},        // announced
      {"/chunked", 10, false, true},   // no length, not required
      {"/chunked", 10, true, false},   // no length, required
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " limit " + std::to_string(c.limitBytes) +
                 (c.lengthRequired ? " length required" : ""));
    auto client = CreateHTTPClient();
    THTTPEventClass::AttachLimit(*client, c.limitBytes);
    if (c.lengthRequired) THTTPEventClass::AttachLengthRequired(*client);
    if (c.succeeds) {
      EXPECT_EQ(client->Get(server.Url(c.path)).size(), 10u);
    } else {
      EXPECT_THROW(client->Get(server.Url(c.path)), EHTTPClientError);
    }
  }
}

TEST(HttpClient, DisconnectedClientCanFetchAgain) {
  LoopbackHttpServer server;
  server.ServeText("/ten", 200, "text/plain", "0123456789");
  auto client = CreateHTTPClient();
  client->OnWork = [](THTTPClient& sender, TWorkMode, int64_t) { sender.Disconnect(); };
  EXPECT_THROW(client->Get(server.Url("/ten")), EHTTPClientError);

  client->OnWork = nullptr;
  EXPECT_EQ(client->Get(server.Url("/ten")), "0123456789");
}
