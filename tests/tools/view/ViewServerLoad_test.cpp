// ViewServer under load: 200 requests from 8 clients at once, on a pool of 4 threads, are all
// answered, and identical requests get identical bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ViewTestFiles.h"

TEST(ViewServerLoad, AnswersEveryRequestOfEightClients) {
    const ViewFixture fixture;
    RunningServer running(fixture, 4);
    const std::string expectedGlb = running.Client()->Get("/api/glb?name=0/flag.im")->body;
    const char* const paths[] = {"/api/assets", "/api/glb?name=0/flag.im",
                                 "/api/asset?name=0/truncated.im", "/page/app.js",
                                 "/api/glb?name=0/flag.im&kin=wave.kin"};
    constexpr int kClients = 8, kEach = 25;
    std::atomic<int> answered{0}, wrong{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            auto client = running.Client();
            for (int i = 0; i < kEach; ++i) {
                const char* path = paths[(c + i) % 5];
                const auto res = client->Get(path);
                if (!res || res->status != 200)
                    continue;
                ++answered;
                if ((c + i) % 5 == 1 && res->body != expectedGlb)
                    ++wrong;
            }
        });
    }
    for (std::thread& t : clients) t.join();
    EXPECT_EQ(answered.load(), kClients * kEach);
    EXPECT_EQ(wrong.load(), 0);
}
