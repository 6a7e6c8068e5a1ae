#include "platform/sys/Clock.h"
#include "platform/sys/Codeset.h"
#include "platform/sys/Files.h"
#include "platform/sys/InputFile.h"
#include "platform/sys/Library.h"
#include "platform/sys/LocalPath.h"
#include "platform/sys/OutputFile.h"
#include "support/RaisedNumber.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace kvr;
using namespace kvr::sys;

// Linked statically into this test: the executable's own folder; loaded from the shared
// library: the library's.
TEST(Library, TheFolderThatHoldsTheRunningCode) {
    EXPECT_EQ(library_folder(), fs::canonical("/proc/self/exe").parent_path().string());
    const fs::path lib = fs::path(test::build_dir()) / "src" / "libKVRUpload.so";
    if (!fs::exists(lib))
        GTEST_SKIP() << "the shared library is not built at " << lib;
    void* h = dlopen(lib.c_str(), RTLD_LAZY | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    auto fn = reinterpret_cast<std::string (*)()>(dlsym(h, "_ZN3kvr3sys14library_folderB5cxx11Ev"));
    ASSERT_NE(fn, nullptr) << "library_folder is not exported by " << lib;
    EXPECT_EQ(fn(), fs::canonical(lib).parent_path().string());
    dlclose(h);
}

// The injected clock's weekday, midnight and local time are run by the log's tests.
TEST(Clock, WithoutAnOverrideItIsTheSystemClock) {
    set_clock_override(nullptr);
    EXPECT_LT(std::chrono::abs(now() - std::chrono::system_clock::now()), std::chrono::seconds(5));
}

// Conversions keep every character: one the codeset cannot hold stays as its UTF-8 bytes, an
// unknown codeset keeps the text as it is; back to UTF-8, a byte not valid in the codeset is
// taken as Latin-1.
TEST(Codeset, ConversionKeepsEveryCharacter) {
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"UTF-8", "Instância Aplicação", "Instância Aplicação"},
        {"ANSI_X3.4-1968", "Instância", "Instância"}, // the C locale
        {"ISO-8859-1", "ÀÿÉ", "\xC0\xFF\xC9"},
        {"ISO-8859-1", "ã€ã", "\xE3\xE2\x82\xAC\xE3"},
        {"CP1252", "€ção", "\x80\xE7\xE3o"},
        {"NO-SUCH-CODESET", "ção", "ção"},
    };
    for (const auto& [codeset, utf8, bytes] : rows)
        EXPECT_EQ(utf8_to_codeset(utf8, codeset), bytes) << codeset << " " << utf8;
    EXPECT_EQ(codeset_to_utf8("Inst\xE2ncia", "ISO-8859-1"), "Instância");
    EXPECT_EQ(codeset_to_utf8("a\x81z", "CP1252"), "a\xC2\x81z");
    std::string big; // longer than any internal buffer
    for (int i = 0; i < 5000; ++i)
        big += "ção ";
    EXPECT_EQ(codeset_to_utf8(utf8_to_codeset(big, "ISO-8859-1"), "ISO-8859-1"), big);
    EXPECT_EQ(utf8_to_codeset(big, "ISO-8859-1").size(), 5000u * 4);
}

// The conversions follow every switch of the locale; a decoder, the locale it was made in.
TEST(Codeset, TheLocalesCodeset) {
    struct Restore {
        ~Restore() { std::setlocale(LC_ALL, "C"); }
    } restore;
    ASSERT_TRUE(std::setlocale(LC_ALL, "pt_BR.ISO-8859-1"))
        << "locale pt_BR.ISO-8859-1 is not installed (./make.sh generates it)";
    EXPECT_EQ(locale_codeset(), "ISO-8859-1");
    EXPECT_EQ(to_locale_codeset("ção"), "\xE7\xE3o");
    EXPECT_EQ(from_locale_codeset("\xE7\xE3o"), "ção");
    LocaleDecoder decoder;
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(to_locale_codeset("ção"), "ção");
    for (auto [text, utf8] : {std::pair{"\xE7\xE3o", "ção"}, {"\xC9", "É"}, {"", ""}}) {
        std::string name = text;
        decoder.decode(name);
        EXPECT_EQ(name, utf8);
    }
    std::string kept = "\xE7";
    LocaleDecoder().decode(kept);
    EXPECT_EQ(kept, "\xE7");
}

TEST(LocalPath, LegacyPathsBecomeNative) {
    const std::string tmp = (fs::temp_directory_path() / "x").parent_path().string();
    const std::pair<std::string, std::string> rows[] = {
        {"c:\\", "/"},
        {"D:\\dados\\arq.txt", "/dados/arq.txt"},
        {"C:\\TEMP\\", tmp + "/"},
        {"c:\\temporario\\x", "/temporario/x"},
        {"..\\log\\", "../log/"},
        {"/var/tmp/a", "/var/tmp/a"},
        {"relativo/a", "relativo/a"},
        {"", ""},
    };
    for (const auto& [legacy, native] : rows)
        EXPECT_EQ(native_local_path(legacy), native) << legacy;
}

TEST(Files, TestsTimesAndDeletion) {
    test::TempDir dir;
    const std::string f = (dir.path() / "a.txt").string();
    test::write_file(f, "x");
    EXPECT_EQ((std::vector<bool>{file_exists(f), folder_exists(f), folder_exists(dir.str()),
                                 file_exists(dir.str()), file_exists("")}),
              (std::vector<bool>{true, false, true, false, false}));
    EXPECT_FALSE(last_modified(f + ".none").has_value());
    delete_file(f);
    EXPECT_FALSE(file_exists(f));
    EXPECT_EQ(test::raised_number([&] { delete_file(f); }), rt::FileNotFound);
}

// A committed output file replaces its target; one written beside it lands *through* the
// name (the link stays a link, every hard link sees the bytes, mode and owner stay); an
// uncommitted one leaves the old bytes and nothing beside them.
TEST(Files, AnOutputFileReplacesTheTargetOnlyWhenCommitted) {
    using P = OutputFile::Placement;
    enum Kind { Plain, Symlink, HardLink, Mode0640, OtherOwner };
    const struct {
        Kind kind;
        P placement;
        bool commit;
    } rows[] = {
        {Plain, P::InPlace, true},    {Plain, P::Beside, true},    {Plain, P::Beside, false},
        {Symlink, P::Beside, true},   {Symlink, P::Beside, false}, {HardLink, P::Beside, true},
        {HardLink, P::Beside, false}, {Mode0640, P::Beside, true}, {OtherOwner, P::Beside, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.kind << " " << r.commit);
        if (r.kind == OtherOwner && geteuid() != 0)
            continue;
        test::TempDir dir;
        const std::string real = (dir.path() / "real.bin").string();
        const std::string other = (dir.path() / "other.bin").string();
        test::write_file(real, "old");
        std::string name = real;
        if (r.kind == Symlink)
            fs::create_symlink("real.bin", name = other);
        if (r.kind == HardLink)
            fs::create_hard_link(real, other);
        ASSERT_EQ(chmod(real.c_str(), r.kind == Mode0640 ? 0640 : 0644), 0);
        ASSERT_TRUE(r.kind != OtherOwner || chown(real.c_str(), 4321, 8765) == 0);
        const auto identity = [&] {
            struct stat st {};
            EXPECT_EQ(stat(real.c_str(), &st), 0);
            return std::tuple(st.st_mode, st.st_uid, st.st_gid, st.st_nlink);
        };
        const auto before = identity();
        const auto names = [&] { return std::distance(fs::directory_iterator(dir.path()), {}); };
        const auto names_before = names();
        {
            auto file = OutputFile::create(name, r.placement);
            ASSERT_TRUE(file.ok());
            ASSERT_TRUE(file.value().write("new!", 4).ok());
            // Until it is whole, the new file has no name that a killed process would leave.
            EXPECT_EQ(names(), names_before);
            ASSERT_TRUE(!r.commit || file.value().commit().ok());
        }
        const std::string expected = r.commit ? "new!" : "old";
        EXPECT_EQ(test::read_file(real), expected);
        EXPECT_EQ(test::read_file(r.kind == Symlink || r.kind == HardLink ? other : real),
                  expected);
        EXPECT_EQ(fs::is_symlink(other), r.kind == Symlink);
        EXPECT_EQ(identity(), before);
        EXPECT_EQ(names(), names_before);
    }
}

// A file its user may write, in a folder that takes no new file: the bytes wait elsewhere and
// are copied into it once whole; nothing is left in the folder either way.
TEST(Files, AWritableFileInAFolderThatTakesNoNewFile) {
    if (geteuid() != 0)
        GTEST_SKIP() << "acts as another user";
    test::TempDir dir;
    const fs::path folder = dir.path() / "ro";
    fs::create_directory(folder);
    const std::string file = (folder / "f.bin").string();
    test::write_file(file, "old");
    ASSERT_EQ(chmod(dir.str().c_str(), 0755) | chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    for (const bool commit : {false, true}) {
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(2);
            auto out = OutputFile::create(file, OutputFile::Placement::Beside);
            const bool ok = out.ok() && out.value().write("new!", 4).ok() &&
                            (!commit || out.value().commit().ok());
            _exit(ok ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(test::read_file(file), commit ? "new!" : "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
    }
}

// One of the process's own descriptors by name is written through, after what its file holds:
// a log the shell opened for appending keeps its lines, and nothing is made beside it.
TEST(Files, AnOwnDescriptorByNameIsWrittenThrough) {
    test::TempDir dir;
    const std::string log = dir.str() + "/log";
    test::write_file(log, "earlier\n");
    const int fd = open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (const std::string folder : {"/dev/fd/", "/proc/self/fd/"}) {
        auto out = OutputFile::create(folder + std::to_string(fd), OutputFile::Placement::Beside);
        ASSERT_TRUE(out.ok()) << folder;
        EXPECT_TRUE(out.value().write("x", 1).ok() && out.value().commit().ok()) << folder;
    }
    close(fd);
    EXPECT_EQ(test::read_file(log), "earlier\nxx");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

// Errors carry errno and path; what is not a regular file is refused or written straight at
// once, never waited for.
TEST(Files, LocalFileErrorsCarryErrnoAndPath) {
    test::TempDir dir;
    const std::string missing = (dir.path() / "none" / "f.bin").string();
    const std::string fifo = (dir.path() / "fila").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string nul = dir.str() + "/a" + '\0' + "b"; // the system would stop at the NUL
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    const std::string piped = "/dev/fd/" + std::to_string(pipe_ends[1]); // links to "pipe:[N]"
    auto error_of = [](auto result) { return result.ok() ? IoError{} : result.error(); };
    using P = OutputFile::Placement;
    const struct {
        IoError error;
        int err;
        std::string path;
    } rows[] = {
        {error_of(OutputFile::create(missing, P::InPlace)), ENOENT, missing},
        {error_of(OutputFile::create(missing, P::Beside)), ENOENT, missing},
        {error_of(InputFile::open(missing)), ENOENT, missing},
        {error_of(InputFile::open(dir.str())), EISDIR, dir.str()},
        {error_of(make_folder(dir.str())), EEXIST, dir.str()},
        {error_of(make_folder(missing)), ENOENT, missing},
        {error_of(InputFile::open(fifo)), ENODEV, fifo},
        {error_of(InputFile::open("/dev/null")), ENODEV, "/dev/null"},
        {error_of(OutputFile::create(fifo, P::Beside)), ENXIO, fifo}, // no reader
        {error_of(OutputFile::create(dir.str(), P::Beside)), EISDIR, dir.str()},
        {error_of(OutputFile::create("/dev/null", P::Beside)), 0, ""},
        {error_of(OutputFile::create(piped, P::Beside)), 0, ""},
        {error_of(OutputFile::create(nul, P::Beside)), EINVAL, nul},
        {error_of(InputFile::open(nul)), EINVAL, nul},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.error.err, r.err) << r.path;
        EXPECT_EQ(r.error.path, r.path);
    }
    close(pipe_ends[0]);
    close(pipe_ends[1]);
}
