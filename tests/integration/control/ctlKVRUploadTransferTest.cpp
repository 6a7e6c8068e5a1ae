// fixtures: http
// The control's Download and UpLoad from end to end against nginx: preparation, path
// resolution, the window's transfer, unloading and the result handed back unchanged.
#include "platform/automation/ClassRegistry.h"
#include "platform/ui/DefaultInstance.h"
#include "platform/ui/HeadlessBackend.h"
#include "support/TestSupport.h"
#include "transfer/frmKVRProgress.h"
#include "unit/control/ComponentDoubles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace kvr {
namespace {

namespace fs = std::filesystem;

class ControlTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        m_env = test::server_env("http");
        if (m_env.empty())
            GTEST_SKIP() << "the http fixture is not running";
        ui::DefaultInstance<frmKVRProgress>::unload();
        if (auto* h = ui::headless())
            h->clear_queue();
        m_ctl = CreateObject("KVRUpload.ctlKVRUpload");
    }
    void TearDown() override { ui::DefaultInstance<frmKVRProgress>::unload(); }

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + m_env.at("KVR_HTTP_PORT") + path;
    }
    // A file served by nginx, with `size` bytes of a repeating pattern.
    std::string serve(const std::string& name, std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i % 26);
        test::write_file(fs::path(m_env.at("KVR_HTTP_ROOT")) / name, bytes);
        return bytes;
    }
    std::string local(const std::string& name) const { return (m_tmp.path() / name).string(); }

    std::map<std::string, std::string> m_env;
    test::TempDir m_tmp;
    std::shared_ptr<Object> m_ctl;
};

Variant ok(const std::string& path, std::int32_t size) {
    return Variant::array({Variant("1"), Variant(path), Variant(size)});
}

TEST_F(ControlTransfer, DownloadAndUploadReturnTheWindowsResult) {
    std::string bytes = serve("ctl-a.txt", 3000);
    Variant r = m_ctl->call("Download", {Variant(url("/ctl-a.txt")), Variant(local("a.txt"))});
    EXPECT_EQ(r, ok(local("a.txt"), 3000));
    EXPECT_EQ(test::read_file(local("a.txt")), bytes);
    EXPECT_FALSE(ui::DefaultInstance<frmKVRProgress>::exists());

    // A new folder each run: nginx answers a PUT over an existing file with 204.
    const std::string folder = "ctl-" + std::to_string(getpid());
    const fs::path put_root = fs::path(m_env.at("KVR_HTTP_PUT_ROOT")) / folder;
    r = m_ctl->call("UpLoad", {Variant(url("/upload/" + folder + "/")), Variant(local("a.txt"))});
    EXPECT_EQ(r, ok(local("a.txt"), 3000));
    EXPECT_EQ(test::read_file(put_root / "a.txt"), bytes);
    EXPECT_FALSE(ui::DefaultInstance<frmKVRProgress>::exists());

    r = m_ctl->call("UpLoad", {Variant(url("/upload/" + folder + "/stream.txt")), Variant("dados"),
                               Variant("STREAM")});
    EXPECT_EQ(r, Variant::array({Variant("1"), Variant("Stream"), Variant(std::int32_t{5})}));
    EXPECT_EQ(test::read_file(put_root / "stream.txt"), "dados");
}

TEST_F(ControlTransfer, ProgressShownAndClosedByItself) {
    serve("ctl-b.txt", 70000);
    m_ctl->put("ExibirProgresso", Variant("SIM"));
    m_ctl->put("FecharProgresso", Variant("SIM"));
    Variant r = m_ctl->call("Download", {Variant(url("/ctl-b.txt")), Variant(local("b.txt"))});
    EXPECT_EQ(r, ok(local("b.txt"), 70000));
}

TEST_F(ControlTransfer, PortThatIsNotANumberFailsBeforeTheWindowRuns) {
    serve("ctl-c.txt", 10);
    m_ctl->put("ExibirProgresso", Variant("SIM"));
    m_ctl->put("RemotePort", Variant("porta"));
    for (const char* method : {"Download", "UpLoad"}) {
        Variant r = m_ctl->call(method, {Variant(url("/ctl-c.txt")), Variant(local("c.txt"))});
        EXPECT_EQ(r, Variant::array({Variant("0"), Variant("13 - Type mismatch")})) << method;
        EXPECT_EQ(m_ctl->get("ExibirProgresso"), Variant("NAO"));
        EXPECT_FALSE(fs::exists(local("c.txt")));
    }
    // A usable port again: the stored "NAO" carries over, the transfer runs unseen.
    m_ctl->put("RemotePort", Variant(std::int32_t{80}));
    EXPECT_EQ(m_ctl->call("Download", {Variant(url("/ctl-c.txt")), Variant(local("c.txt"))}),
              ok(local("c.txt"), 10));
}

TEST_F(ControlTransfer, TwoDownloadsCreateTheServerEnvironmentOnce) {
    test::RegistrationGuard servidor("RXTServidorAsp.clsServidor");
    test::CountingServidor::reset();
    servidor.replace([] { return std::make_shared<test::CountingServidor>(); });
    serve("ctl-d.txt", 100);
    {
        auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
        for (const char* name : {"d1.txt", "d2.txt"})
            EXPECT_EQ(ctl->call("Download", {Variant(url("/ctl-d.txt")), Variant(local(name))}),
                      ok(local(name), 100));
        EXPECT_EQ(test::CountingServidor::created, 1);
        EXPECT_EQ(test::CountingServidor::released, 0);
    }
    EXPECT_EQ(test::CountingServidor::released, 1);
}

TEST_F(ControlTransfer, OmittedDialogOptionReachesTheWindowAsNao) {
    serve("ctl-e.txt", 20);
    // No dialog answer is queued: a dialog would fail the transfer.
    EXPECT_EQ(m_ctl->call("Download", {Variant(url("/ctl-e.txt")), Variant(local("e.txt"))}),
              ok(local("e.txt"), 20));
    Variant asked = m_ctl->call(
        "Download", {Variant(url("/ctl-e.txt")), Variant(local("e2.txt")), Variant("txt")});
    ASSERT_TRUE(asked.is_array());
    EXPECT_EQ(asked.as_array()[0], Variant("0"));
    EXPECT_FALSE(fs::exists(local("e2.txt")));
}

TEST_F(ControlTransfer, LocalFileNamedThroughAWebPathToken) {
    // Resolved paths come back in lower case, so the site's folder is written so.
    fs::path site = fs::temp_directory_path() / ("kvr-site-" + std::to_string(getpid()));
    fs::create_directories(site);
    test::write_file(m_tmp.path() / "webdir.conf", "site vendas = " + site.string() + "\n");
    setenv("KVRWEBDIR_CONFIG", (m_tmp.path() / "webdir.conf").c_str(), 1);
    serve("ctl-f.txt", 30);

    Variant r = m_ctl->call("Download",
                            {Variant(url("/ctl-f.txt")), Variant("$(webpath[Vendas])\\REL.txt")});
    unsetenv("KVRWEBDIR_CONFIG");
    EXPECT_EQ(r, ok((site / "rel.txt").string(), 30));
    EXPECT_TRUE(fs::exists(site / "rel.txt"));
    fs::remove_all(site);
}

} // namespace
} // namespace kvr
