// The framework's file writer: what it does to whatever sits at the path it writes
// (nothing, a regular file, a write-protected one, a link, a hard-linked file, a
// FIFO, a device node), checked by bytes, mode and inode before and after. Everything
// is made by the test in a temporary folder.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AtomicFile.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void Put(const std::string& path, const std::string& text, mode_t mode = 0644) {
  { std::ofstream(path, std::ios::binary) << text; }
  chmod(path.c_str(), mode);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool WriteText(AtomicFile& file, const std::string& path, const std::string& text, bool force = false) {
  FILE* fp = file.Open(path.c_str(), force);
  if (!fp) return false;
  fwrite(text.data(), 1, text.size(), fp);
  return file.Commit();
}

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/atomic-file-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDir = pattern;
  }
  void TearDown() override {
    for (const std::string& name : List()) unlink(Path(name).c_str());
    rmdir(mDir.c_str());
  }
  std::string Path(const std::string& name) const { return mDir + "/" + name; }
  // Every name in the folder, hidden ones too: no temporary file may stay.
  std::vector<std::string> List() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(mDir.c_str())) {
      while (dirent* e = readdir(d))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
      closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string mDir;
};

TEST_F(AtomicFileTest, NewAndReplacedFilesKeepTheirModeAndNoTemporaryFileStays) {
  const mode_t mask = umask(022);
  AtomicFile file;
  ASSERT_TRUE(WriteText(file, Path("new.txt"), "fresh"));
  EXPECT_EQ(Slurp(Path("new.txt")), "fresh");
  EXPECT_EQ(ModeOf(Path("new.txt")), 0644u);  // as a newly created file under the umask
  Put(Path("private.txt"), "old", 0600);
  Put(Path("group.txt"), "old", 0640);
  ASSERT_TRUE(WriteText(file, Path("private.txt"), "new"));
  ASSERT_TRUE(WriteText(file, Path("group.txt"), "new"));
  EXPECT_EQ(ModeOf(Path("private.txt")), 0600u);
  EXPECT_EQ(ModeOf(Path("group.txt")), 0640u);
  EXPECT_EQ(Slurp(Path("private.txt")), "new");
  EXPECT_EQ(List(), (std::vector<std::string>{"group.txt", "new.txt", "private.txt"}));
  umask(mask);
}

TEST_F(AtomicFileTest, NothingReachesTheTargetBeforeCommitAndDiscardLeavesItAsItWas) {
  Put(Path("keep.txt"), "original");
  {
    AtomicFile file;
    FILE* fp = file.Open(Path("keep.txt").c_str());
    ASSERT_NE(fp, nullptr);
    fputs("half a result", fp);
    fflush(fp);
    EXPECT_EQ(Slurp(Path("keep.txt")), "original");
    EXPECT_EQ(List().size(), 2u);  // the target and the temporary file beside it
  }  // destroyed without Commit
  EXPECT_EQ(Slurp(Path("keep.txt")), "original");
  EXPECT_EQ(List(), (std::vector<std::string>{"keep.txt"}));
}

TEST_F(AtomicFileTest, WriteProtectedFilesAreRefusedUnlessForced) {
  Put(Path("locked.txt"), "precious", 0444);
  AtomicFile file;
  EXPECT_FALSE(WriteText(file, Path("locked.txt"), "other"));
  EXPECT_TRUE(file.RefusedWriteProtected());
  EXPECT_EQ(file.Error(), "it is write-protected");
  EXPECT_EQ(Slurp(Path("locked.txt")), "precious");
  EXPECT_EQ(ModeOf(Path("locked.txt")), 0444u);
  ASSERT_TRUE(WriteText(file, Path("locked.txt"), "other", /*force=*/true));
  EXPECT_EQ(Slurp(Path("locked.txt")), "other");
  EXPECT_EQ(ModeOf(Path("locked.txt")), 0444u);
  EXPECT_EQ(List(), (std::vector<std::string>{"locked.txt"}));
}

TEST_F(AtomicFileTest, ForeignOwnedFilesKeepTheirOwnerWhenReplacedByRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  Put(Path("theirs.txt"), "theirs", 0644);
  ASSERT_EQ(chown(Path("theirs.txt").c_str(), 65534, 65534), 0);
  AtomicFile file;
  ASSERT_TRUE(WriteText(file, Path("theirs.txt"), "replaced"));
  struct stat st;
  ASSERT_EQ(stat(Path("theirs.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  // Write-protected and someone else's: refused even for root.
  chmod(Path("theirs.txt").c_str(), 0444);
  EXPECT_FALSE(WriteText(file, Path("theirs.txt"), "again"));
  EXPECT_EQ(Slurp(Path("theirs.txt")), "replaced");
}

TEST_F(AtomicFileTest, ALinksTargetIsReplacedAndTheLinkStays) {
  Put(Path("real.txt"), "old", 0600);
  ASSERT_EQ(symlink("real.txt", Path("link.txt").c_str()), 0);
  ASSERT_EQ(symlink("later.txt", Path("dangling.txt").c_str()), 0);
  AtomicFile file;
  ASSERT_TRUE(WriteText(file, Path("link.txt"), "new"));
  struct stat st;
  ASSERT_EQ(lstat(Path("link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Slurp(Path("real.txt")), "new");
  EXPECT_EQ(ModeOf(Path("real.txt")), 0600u);
  // A dangling link: its target is created.
  ASSERT_TRUE(WriteText(file, Path("dangling.txt"), "made"));
  ASSERT_EQ(lstat(Path("dangling.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Slurp(Path("later.txt")), "made");
  // A loop is an error, not a hang.
  ASSERT_EQ(symlink("loop-b", Path("loop-a").c_str()), 0);
  ASSERT_EQ(symlink("loop-a", Path("loop-b").c_str()), 0);
  EXPECT_FALSE(WriteText(file, Path("loop-a"), "x"));
  EXPECT_EQ(List(), (std::vector<std::string>{"dangling.txt", "later.txt", "link.txt", "loop-a", "loop-b",
                                              "real.txt"}));
}

TEST_F(AtomicFileTest, AHardLinkedFileIsRewrittenInPlaceSoEveryNameSeesIt) {
  Put(Path("one.txt"), "old", 0640);
  ASSERT_EQ(link(Path("one.txt").c_str(), Path("two.txt").c_str()), 0);
  struct stat before, after;
  ASSERT_EQ(stat(Path("one.txt").c_str(), &before), 0);
  AtomicFile file;
  ASSERT_TRUE(WriteText(file, Path("one.txt"), "shared new content"));
  ASSERT_EQ(stat(Path("one.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(Slurp(Path("two.txt")), "shared new content");
  EXPECT_EQ(ModeOf(Path("two.txt")), 0640u);
  EXPECT_EQ(List(), (std::vector<std::string>{"one.txt", "two.txt"}));
}

TEST_F(AtomicFileTest, AFifoIsWrittenAsAStreamOnceComplete) {
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  const pid_t reader = fork();
  if (reader == 0) {
    const std::string got = Slurp(Path("pipe"));
    _exit(got == "through the pipe" ? 0 : 1);
  }
  AtomicFile file;
  EXPECT_TRUE(WriteText(file, Path("pipe"), "through the pipe"));
  EXPECT_TRUE(file.IsStream());
  int status = 0;
  waitpid(reader, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  struct stat st;
  ASSERT_EQ(lstat(Path("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(List(), (std::vector<std::string>{"pipe"}));
}

// A character device of the memory driver (1:3 null, 1:7 full) that can also be opened:
// on a file system mounted nodev (a container's /tmp) mknod works but opening fails.
bool MakeUsableDevice(const std::string& path, unsigned minor) {
  if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) return false;
  const int fd = open(path.c_str(), O_WRONLY);
  if (fd >= 0) {
    close(fd);
    return true;
  }
  unlink(path.c_str());
  return false;
}

TEST_F(AtomicFileTest, DeviceNodesAreWrittenInPlaceAndTheirErrorsReported) {
  if (!MakeUsableDevice(Path("null"), 3) || !MakeUsableDevice(Path("full"), 7))
    GTEST_SKIP() << "device nodes cannot be made or opened here";
  AtomicFile file;
  EXPECT_TRUE(WriteText(file, Path("null"), "gone"));
  EXPECT_FALSE(WriteText(file, Path("full"), "does not fit"));
  EXPECT_EQ(file.Error(), strerror(ENOSPC));
  for (const char* name : {"null", "full"}) {
    struct stat st;
    ASSERT_EQ(lstat(Path(name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << name;
  }
  EXPECT_EQ(List(), (std::vector<std::string>{"full", "null"}));
}

TEST_F(AtomicFileTest, FoldersSocketsAndMissingFoldersAreRefused) {
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  AtomicFile file;
  EXPECT_EQ(file.Open(Path("folder").c_str()), nullptr);
  EXPECT_EQ(file.Error(), "it is a directory");
  EXPECT_EQ(file.Open(Path("missing/file.txt").c_str()), nullptr);
  EXPECT_EQ(file.Error(), strerror(ENOENT));
  EXPECT_EQ(file.Open(""), nullptr);

  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  snprintf(address.sun_path, sizeof(address.sun_path), "%s", Path("socket").c_str());
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  EXPECT_EQ(file.Open(Path("socket").c_str()), nullptr);
  EXPECT_EQ(file.Error(), "it is a socket");
  close(s);
  rmdir(Path("folder").c_str());
  EXPECT_EQ(List(), (std::vector<std::string>{"socket"}));
}

TEST_F(AtomicFileTest, TheProcesssOwnOutputIsWrittenThroughItsDescriptor) {
  // A descriptor opened for appending, named as /dev/fd/N: the bytes land after what
  // is there, as a shell's >> promises.
  Put(Path("log.txt"), "first|");
  const int fd = open(Path("log.txt").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  AtomicFile file;
  EXPECT_TRUE(WriteText(file, "/dev/fd/" + std::to_string(fd), "second"));
  close(fd);
  EXPECT_EQ(Slurp(Path("log.txt")), "first|second");
  // Read-only descriptors are refused.
  const int readOnly = open(Path("log.txt").c_str(), O_RDONLY);
  EXPECT_FALSE(WriteText(file, "/dev/fd/" + std::to_string(readOnly), "x"));
  close(readOnly);
  EXPECT_EQ(List(), (std::vector<std::string>{"log.txt"}));
}

}  // namespace
