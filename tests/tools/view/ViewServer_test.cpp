// ViewServer over HTTP: status codes and content types, every spelling of a way out of the
// served folders refused, damaged files answered with their error while the server goes on.
#include "tools/view/ViewServer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ViewTestFiles.h"

TEST(ViewServer, AnswersWithStatusAndContentType) {
    const ViewFixture fixture;
    RunningServer running(fixture);
    auto client = running.Client();
    struct Case {
        const char* path;
        int status;
        const char* type;  // prefix of the content type
    } cases[] = {
        {"/", 200, "text/html"},
        {"/page/app.js", 200, "text/javascript"},
        {"/page/index.html", 200, "text/html"},
        {"/api/assets", 200, "application/json"},
        {"/api/asset?name=0/flag.im", 200, "application/json"},
        {"/api/glb?name=0/flag.im", 200, "model/gltf-binary"},
        {"/api/glb?name=0/flag.im&kin=wave.kin", 200, "model/gltf-binary"},
        {"/api/glb?name=0/flag.im&kin=nothing.kin", 422, "text/plain"},
        {"/api/glb?name=0/truncated.im", 422, "text/plain"},
        {"/api/glb?name=0/nothing.im", 404, "text/plain"},
        {"/api/asset", 404, "text/plain"},
        {"/page/", 404, "text/plain"},
        {"/nothing", 404, "text/plain"},
    };
    for (const Case& c : cases) {
        const auto res = client->Get(c.path);
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(res->status, c.status) << c.path;
        EXPECT_EQ(res->get_header_value("Content-Type").rfind(c.type, 0), 0u)
            << c.path << ": " << res->get_header_value("Content-Type");
    }
    const auto glb = client->Get("/api/glb?name=0/flag.im");
    EXPECT_EQ(glb->body.substr(0, 4), "glTF");
    for (const auto& res :
         {client->Post("/", "x", "text/plain"), client->Put("/api/assets", "x", "text/plain"),
          client->Delete("/page/app.js")}) {
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 405);
    }
}

TEST(ViewServer, RefusesPathsOutOfTheServedFolders) {
    const ViewFixture fixture;
    std::filesystem::create_symlink(fixture.scratch.Dir(), fixture.page / "up");
    std::filesystem::create_symlink(fixture.scratch.Dir() / "secret.txt", fixture.page / "s.txt");
    std::filesystem::create_symlink(fixture.scratch.Dir() / "secret.txt", fixture.assets / "s.im");
    RunningServer running(fixture);
    auto client = running.Client();
    const char* const paths[] = {
        "/page/../secret.txt",
        "/page/%2e%2e/secret.txt",
        "/page/%2E%2E/secret.txt",
        "/page/.%2e/secret.txt",
        "/page/%2e./secret.txt",
        "/page/..%2fsecret.txt",
        "/page/%2e%2e%2fsecret.txt",
        "/page//etc/passwd",
        "/page/%2fetc%2fpasswd",
        "/page/up/secret.txt",
        "/page/s.txt",
        "/page/%252e%252e/secret.txt",
        "/page/..\\secret.txt",
        "/page/..%5csecret.txt",
        "/../secret.txt",
        "/api/asset?name=0/../secret.txt",
        "/api/asset?name=0/%2e%2e/secret.txt",
        "/api/asset?name=/etc/passwd",
        "/api/asset?name=%2fetc%2fpasswd",
        "/api/asset?name=0/s.im",
        "/api/glb?name=0/../assets/flag.im",
        "/api/glb?name=0/s.im",
        "/api/asset?name=1/flag.im",
    };
    for (const char* path : paths) {
        const auto res = client->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_TRUE(res->status == 404 || res->status == 400) << path << ": " << res->status;
        EXPECT_EQ(res->body.find("secret"), std::string::npos) << path;
    }
}

TEST(ViewServer, ShowsDamagedFilesWithTheirErrorAndGoesOn) {
    const ViewFixture fixture;
    RunningServer running(fixture);
    auto client = running.Client();
    const auto res = client->Get("/api/assets");
    ASSERT_TRUE(res);
    const auto assets = nlohmann::json::parse(res->body)["assets"];
    ASSERT_EQ(assets.size(), 4u);
    for (const auto& asset : assets) {
        const std::string title = asset["title"];
        if (title == "flag.im")
            EXPECT_EQ(asset["error"], "");
        else
            EXPECT_EQ(asset["error"].get<std::string>().rfind("error: " + title + ": ", 0), 0u)
                << asset["error"];
    }
    const auto again = client->Get("/api/asset?name=0/flag.im");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
    EXPECT_NE(nlohmann::json::parse(again->body)["dump"].get<std::string>().find("CHNK"),
              std::string::npos);
}
