#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings/profile_file.h"
#include "app/settings/settings_store.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

using kivo::test::readBytes;
using kivo::test::TempDir;
using kivo::test::writeBytes;

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

// ---------------------------------------------------------------------------------------------
// Profile file

struct ReadCase {
  const char* name;
  std::string bytes;
  const char* section;
  const char* key;
  std::string expected;  // the default passed is "<default>"
};

TEST(ProfileFile, ReadRules) {
  const std::string longValue(300, 'a');
  const std::string utf8Cut = std::string(258, 'a') + "\xE3\x81\x82";  // 258 + one 3-byte character
  const std::vector<ReadCase> cases = {
      {"case-insensitive names", "[dir]\r\ndef_file=x\r\n", "DIR", "DEF_FILE", "x"},
      {"first key wins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
      {"first section wins", "[A]\nk=1\n[a]\nk=2\nj=3\n", "A", "k", "1"},
      {"key only in a later duplicate section", "[A]\nk=1\n[a]\nj=3\n", "A", "j", "<default>"},
      {"blanks trimmed", "  [ A ]  \r\n \t k \t=  v  w \t\r\n", "A", "k", "v  w"},
      {"LF and CR LF mixed", "[A]\nx=0\r\ny=1\r\n", "A", "y", "1"},
      {"double quotes dropped", "[A]\nk=\" a b \"\n", "A", "k", " a b "},
      {"single quotes dropped", "[A]\nk='x'\n", "A", "k", "x"},
      {"unmatched quotes kept", "[A]\nk=\"x'\n", "A", "k", "\"x'"},
      {"empty value is a value", "[A]\nk=\n", "A", "k", ""},
      {"missing key", "[A]\nj=1\n", "A", "k", "<default>"},
      {"missing section", "[B]\nk=1\n", "A", "k", "<default>"},
      {"key of the next section", "[A]\nj=1\n[B]\nk=1\n", "A", "k", "<default>"},
      {"key before any section", "k=1\n[A]\n", "A", "k", "<default>"},
      {"comment is no key", "[A]\n;k=1\n", "A", "k", "<default>"},
      {"line without '='", "[A]\nk\n", "A", "k", "<default>"},
      {"byte-order mark skipped", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "1"},
      {"no final line end", "[A]\nk=last", "A", "k", "last"},
      {"value cut to 259 bytes", "[A]\nk=" + longValue + "\n", "A", "k", std::string(259, 'a')},
      {"cut never splits a character", "[A]\nk=" + utf8Cut + "\n", "A", "k", std::string(258, 'a')},
      {"value ends at NUL", std::string("[A]\nk=ab\0cd\n", 12), "A", "k", "ab"},
      {"over-long line skipped", "[A]\nk=" + std::string(kProfileMaxLineBytes, 'v') + "\nk=2\n", "A", "k", "2"},
  };
  TempDir dir;
  const std::string path = dir.file("a.ini");
  for (const ReadCase& c : cases) {
    writeBytes(path, c.bytes);
    EXPECT_EQ(readProfileString(c.section, c.key, "<default>", path), c.expected) << c.name;
  }
  EXPECT_EQ(readProfileString("A", "k", "<default>", dir.file("missing.ini")), "<default>");
  EXPECT_EQ(readProfileString("A", "k", longValue, dir.file("missing.ini")), std::string(259, 'a'));
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST(ProfileFile, WriteReplacesInPlaceAndAppends) {
  const std::string userFile =
      "\xEF\xBB\xBF; written by hand\n"
      "[DIR]\n"
      "  Input_Dir = /old  \n"
      "Unknown=kept as it is \n"
      "\n"
      "[MAP]\n"
      "MAP_FILE=/m\n";
  const std::vector<WriteCase> cases = {
      {"value replaced, every other byte kept", userFile, "dir", "INPUT_DIR", "/new",
       "\xEF\xBB\xBF; written by hand\n"
       "[DIR]\n"
       "  Input_Dir = /new\r\n"
       "Unknown=kept as it is \n"
       "\n"
       "[MAP]\n"
       "MAP_FILE=/m\n"},
      {"missing key after the section's last line", userFile, "DIR", "OUTPUT_DIR", "/o",
       "\xEF\xBB\xBF; written by hand\n"
       "[DIR]\n"
       "  Input_Dir = /old  \n"
       "Unknown=kept as it is \n"
       "OUTPUT_DIR=/o\r\n"
       "\n"
       "[MAP]\n"
       "MAP_FILE=/m\n"},
      {"missing section at the end", userFile, "GENERIC", "ClrType", "1",
       userFile + "\r\n[GENERIC]\r\nClrType=1\r\n"},
      {"empty value replaced", "[A]\nk=\nj=1\n", "A", "k", "v", "[A]\nk=v\r\nj=1\n"},
      {"only the first duplicate is written", "[A]\nk=1\nk=2\n", "A", "K", "3", "[A]\nk=3\r\nk=2\n"},
      {"first of duplicate sections", "[A]\nx=1\n[B]\n[A]\ny=1\n", "A", "k", "v", "[A]\nx=1\nk=v\r\n[B]\n[A]\ny=1\n"},
      {"last line without line end", "[A]\nx=1", "A", "k", "v", "[A]\nx=1\r\nk=v\r\n"},
      {"empty section", "[A]\n\n[B]\n", "A", "k", "v", "[A]\nk=v\r\n\n[B]\n"},
      {"new file", "", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"value cut at a line break", "", "A", "k", "one\r\ntwo", "[A]\r\nk=one\r\n"},
  };
  TempDir dir;
  const std::string path = dir.file("a.ini");
  for (const WriteCase& c : cases) {
    std::filesystem::remove(path);
    if (!c.before.empty()) writeBytes(path, c.before);
    ASSERT_EQ(writeProfileString(c.section, c.key, c.value, path), kProfileOk) << c.name;
    EXPECT_EQ(readBytes(path), c.after) << c.name;
  }
}

TEST(ProfileFile, BatchWriteAndNames) {
  ProfileFile file;
  const std::string over(400, 'z');
  EXPECT_EQ(file.setString("A", "k", over), kProfileOk);
  EXPECT_EQ(file.getString("A", "k", ""), std::string(259, 'z'));
  EXPECT_EQ(file.setString("A", "j", "2"), kProfileOk);
  EXPECT_EQ(file.setString("B", "k", "3"), kProfileOk);
  EXPECT_EQ(file.setString("a", "K", "4"), kProfileOk);
  EXPECT_EQ(file.text(), "[A]\r\nk=4\r\nj=2\r\n\r\n[B]\r\nk=3\r\n");
  // Names the file cannot hold are refused and change nothing.
  const std::string before = file.text();
  for (const char* key : {"", "a=b", " k", "k ", "[k", ";k", "a\nb"}) {
    EXPECT_EQ(file.setString("A", key, "x"), kProfileBadName) << key;
    EXPECT_EQ(file.getString("A", key, "d"), "d") << key;
  }
  for (const char* section : {"", "A]", "[A", " A", "A\r"}) {
    EXPECT_EQ(file.setString(section, "k", "x"), kProfileBadName) << section;
  }
  EXPECT_EQ(file.text(), before);
}

TEST(ProfileFile, FailedWriteKeepsTheOldFile) {
  TempDir dir;
  const std::string original = "[A]\nk=old\n";

  const std::string readOnly = dir.file("ro.ini");
  writeBytes(readOnly, original);
  ::chmod(readOnly.c_str(), 0444);
  EXPECT_EQ(writeProfileString("A", "k", "new", readOnly), kProfileWriteFailed);
  EXPECT_EQ(readBytes(readOnly), original);

  EXPECT_EQ(writeProfileString("A", "k", "new", dir.file("no_such_folder/a.ini")), kProfileWriteFailed);
  EXPECT_FALSE(std::filesystem::exists(dir.file("no_such_folder")));

  std::filesystem::create_directory(dir.file("folder.ini"));
  EXPECT_EQ(writeProfileString("A", "k", "new", dir.file("folder.ini")), kProfileReadFailed);

  // A full disk, made by a file size limit: the write fails after the temporary file exists.
  const std::string ok = dir.file("ok.ini");
  writeBytes(ok, original);
  {
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = writeProfileString("A", "k", "new", ok);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, kProfileWriteFailed);
    EXPECT_EQ(readBytes(ok), original);
  }

  // No temporary file is left behind, after failures or after a success.
  ::chmod(ok.c_str(), 0640);
  ASSERT_EQ(writeProfileString("A", "k", "new", ok), kProfileOk);
  auto names = folderEntries(dir.file(""));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"folder.ini", "ok.ini", "ro.ini"}));
  struct stat st {};
  ASSERT_EQ(::stat(ok.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the file's mode survives its replacement";

  // A link is followed: the file it points to is replaced and the link stays.
  const std::string link = dir.file("link.ini");
  std::filesystem::create_symlink(ok, link);
  ASSERT_EQ(writeProfileString("A", "k", "linked", link), kProfileOk);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readProfileString("A", "k", "", ok), "linked");
}

TEST(ProfileFile, OversizedAndMalformedInput) {
  TempDir dir;
  const std::string path = dir.file("a.ini");
  struct Case {
    const char* name;
    std::string bytes;
    int loaded;
  };
  const std::string head = "[A]\nk=1\n";
  const std::vector<Case> cases = {
      {"one byte over the size cap", head + std::string(kProfileMaxFileBytes + 1 - head.size(), ';'), kProfileTooLarge},
      {"at the size cap", head + std::string(kProfileMaxFileBytes - head.size(), ';'), kProfileOk},
      {"too many lines", head + std::string(70000, '\n'), kProfileTooLarge},
  };
  for (const Case& c : cases) {
    writeBytes(path, c.bytes);
    ProfileFile file;
    EXPECT_EQ(file.load(path), c.loaded) << c.name;
    EXPECT_EQ(file.getString("A", "k", "d"), c.loaded == kProfileOk ? "1" : "d") << c.name;
    if (c.loaded != kProfileOk) {
      EXPECT_EQ(writeProfileString("A", "k", "2", path), c.loaded) << c.name;
      EXPECT_EQ(readBytes(path).size(), c.bytes.size()) << c.name;
    }
  }

  // Garbage is kept byte for byte while a key is added.
  const char raw[] = "\0\xff\r[unterminated\n=novalue\n[A\n\r\r\n[A]\n\x01\x02";
  const std::string garbage(raw, sizeof raw - 1);
  writeBytes(path, garbage);
  ASSERT_EQ(writeProfileString("A", "k", "v", path), kProfileOk);
  EXPECT_EQ(readBytes(path), garbage + "\r\nk=v\r\n");
  EXPECT_EQ(readProfileString("A", "k", "", path), "v");

  // A FIFO at the path neither blocks nor is read.
  const std::string fifo = dir.file("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ProfileFile file;
  EXPECT_EQ(file.load(fifo), kProfileReadFailed);
  EXPECT_EQ(writeProfileString("A", "k", "v", fifo), kProfileReadFailed);
}

// ---------------------------------------------------------------------------------------------
// Settings store

constexpr const char* kFolder = "/opt/kivo/";

struct StoreFixture : ::testing::Test {
  TempDir dir;
  std::string path = dir.file("KIVOMeriview.ini");
  ComPrpCnfInfo make() const { return ComPrpCnfInfo(kFolder, path); }
};

using SettingsStore = StoreFixture;

int val(const ComPrpCnfInfo& s, int id) {
  int v = -12345;
  EXPECT_EQ(s.ComGetVal(id, &v), kCnfOk) << id;
  return v;
}
bool flg(const ComPrpCnfInfo& s, int id) {
  bool f = false;
  EXPECT_EQ(s.ComGetFlg(id, &f), kCnfOk) << id;
  return f;
}
std::string str(const ComPrpCnfInfo& s, int id) {
  std::string t = "<unset>";
  EXPECT_EQ(s.ComGetStr(id, &t), kCnfOk) << id;
  return t;
}

TEST_F(SettingsStore, KindsOfEveryId) {
  // 'T' text, 'F' flag, 'V' integer or byte, '-' no such id; index = id.
  const std::string kinds = "-TTTTTTTVVVVVVVVVVFFFFFTVFFVFVF-FVVFVTVVVTTVVVT";
  ASSERT_EQ(kinds.size(), 47u);
  ComPrpCnfInfo s = make();
  for (int id = -1; id <= 47; ++id) {
    const char kind = (id >= 0 && id < 47) ? kinds[static_cast<std::size_t>(id)] : '-';
    std::string t;
    bool f = false;
    int v = 0;
    EXPECT_EQ(s.ComGetStr(id, &t), kind == 'T' ? kCnfOk : kCnfBadId) << id;
    EXPECT_EQ(s.ComSetStr(id, "x"), kind == 'T' ? kCnfOk : kCnfBadId) << id;
    EXPECT_EQ(s.ComGetFlg(id, &f), kind == 'F' ? kCnfOk : kCnfBadId) << id;
    EXPECT_EQ(s.ComSetFlg(id, true), kind == 'F' ? kCnfOk : kCnfBadId) << id;
    EXPECT_EQ(s.ComGetVal(id, &v), kind == 'V' ? kCnfOk : kCnfBadId) << id;
    EXPECT_EQ(s.ComSetVal(id, 1), kind == 'V' ? kCnfOk : kCnfBadId) << id;
    EXPECT_EQ(s.ComGetStr(id, nullptr), kCnfBadId);
    EXPECT_EQ(s.ComGetFlg(id, nullptr), kCnfBadId);
    EXPECT_EQ(s.ComGetVal(id, nullptr), kCnfBadId);
  }
}

TEST_F(SettingsStore, ByteSettingsKeepTheLowEightBits) {
  struct Case {
    int id;
    int set;
    int stored;
  };
  const Case cases[] = {
      {kIdFrmRtNum, 300, 44},          {kIdBytOrdrSetting, 256, 0}, {kIdOutTtlIndiPnt, -1, 255},
      {kIdClrType, 255, 255},          {kIdNnObsValMrk, -40000, -40000},  // integers: no range check
      {kIdBckIndiClr, 0x12345678, 0x12345678},
  };
  ComPrpCnfInfo s = make();
  for (const Case& c : cases) {
    ASSERT_EQ(s.ComSetVal(c.id, c.set), kCnfOk);
    EXPECT_EQ(val(s, c.id), c.stored) << c.id;
  }
  ASSERT_EQ(s.ComWriteCnf(), kCnfOk);
  EXPECT_NE(readBytes(path).find("FrmRtNum=44\r\n"), std::string::npos);
}

TEST_F(SettingsStore, DefaultsWithoutAFile) {
  ComPrpCnfInfo s = make();
  EXPECT_EQ(str(s, kIdInputDir), "") << "nothing is read before ComReadCnf";
  EXPECT_EQ(val(s, kIdNumReadFiles), 0);
  ASSERT_EQ(s.ComReadCnf(), kCnfOk);

  const std::pair<int, std::string> texts[] = {
      {1, "/opt/kivo"},
      {2, "/opt/kivo/Data/AMSR2"},
      {3, "/opt/kivo/Data/AMSR_AMSR-E"},
      {4, "/opt/kivo/Output"},
      {5, "/opt/kivo/Data/AMSR2"},
      {6, "/opt/kivo/Data/AMSR_AMSR-E"},
      {7, "/opt/kivo/Output"},
      {23, "/opt/kivo/Map/gshhs_c.b"},
      {37, "/opt/kivo/Map/gshhs_i.b"},
      {46, "/opt/kivo/Map/gshhs_i.b"},
      {41, ""},
      {42, ""},
  };
  for (const auto& [id, text] : texts) EXPECT_EQ(str(s, id), text) << id;
  EXPECT_EQ(s.PathBtchFile(), "/opt/kivo/Batch");

  const std::pair<int, bool> flags[] = {{18, true},  {19, true}, {20, true},  {21, true},
                                        {22, true},  {25, true}, {26, false}, {28, true},
                                        {30, false}, {32, false}, {35, true}};
  for (const auto& [id, flag] : flags) EXPECT_EQ(flg(s, id), flag) << id;

  const std::pair<int, int> values[] = {
      {8, 10},          {9, 1},           {10, -9999},      {11, 65535},      {12, 1},  {13, 3},  {14, 0x00FFFFFF},
      {15, 0x00959595}, {16, 0x000000FF}, {17, 0x00A90000}, {24, 10},         {27, 0},  {29, 0},  {33, 30},
      {34, 30},         {36, 0},          {38, 0},          {39, 0},          {40, 1},  {43, 0},  {44, 0},
      {45, 0},
  };
  for (const auto& [id, value] : values) EXPECT_EQ(val(s, id), value) << id;
}

TEST_F(SettingsStore, WritesEveryKeyInOrderAndFormat) {
  ComPrpCnfInfo s("/p/", path);
  ASSERT_EQ(s.ComReadCnf(), kCnfOk);
  ASSERT_EQ(s.ComWriteCnf(), kCnfOk);
  const std::string expected =
      "[DIR]\r\n"
      "DEF_FILE=/p\r\n"
      "INPUT_DIR=/p/Data/AMSR2\r\n"
      "InpFldrNameAmsre=/p/Data/AMSR_AMSR-E\r\n"
      "OutFldrName=/p/Output\r\n"
      "AnmInpFldrName=/p/Data/AMSR2\r\n"
      "AnmInpFldrNameAmsre=/p/Data/AMSR_AMSR-E\r\n"
      "AnmOutFldrName=/p/Output\r\n"
      "INPUT_DIR_AMSR-E=/p/Data/AMSR_AMSR-E\r\n"
      "OUTPUT_DIR=/p/Output\r\n"
      "INPUT_DIR_MOVIE=/p/Data/AMSR2\r\n"
      "INPUT_DIR_MOVIE_AMSR-E=/p/Data/AMSR_AMSR-E\r\n"
      "OUTPUT_DIR_MOVIE=/p/Output\r\n"
      "\r\n"
      "[MAP]\r\n"
      "MAP_FILE=/p/Map/gshhs_c.b\r\n"
      "MAP_FILE2=/p/Map/gshhs_i.b\r\n"
      "MAP_FILE3=/p/Map/gshhs_i.b\r\n"
      "\r\n"
      "[GENERIC]\r\n"
      "ShrIndiFlg=TRUE\r\n"
      "LatLonIndiFlg=TRUE\r\n"
      "QuaIndiFlg=TRUE\r\n"
      "BckIndiFlg=TRUE\r\n"
      "ExpIndiFlg=TRUE\r\n"
      "OutTtlIndiFlg=TRUE\r\n"
      "ExpIndiRevFlg=FALSE\r\n"
      "AnmOutTtlIndiFlg=TRUE\r\n"
      "AnmOutFileNameFlg=FALSE\r\n"
      "LatLonMode=FALSE\r\n"
      "DrwSherLine=TRUE\r\n"
      "NumReadFiles=10\r\n"
      "BytOrdrSetting=1\r\n"
      "NnObsValMrk=-9999\r\n"
      "NnObsVal=65535\r\n"
      "DecSetting=3\r\n"
      "OneRcrdOut=1\r\n"
      "FrmRtNum=10\r\n"
      "ShrIndClr=00FFFFFF\r\n"
      "LatLonIndiClr=00959595\r\n"
      "QuaIndiClr=000000FF\r\n"
      "BckIndiClr=00A90000\r\n"
      "LatWidth=30\r\n"
      "LonWidth=30\r\n"
      "MapMode=0\r\n"
      "PenWidth=0\r\n"
      "PenWidth2=0\r\n"
      "AnmOutFileNamePnt=1\r\n"
      "AnmOutTtlIndiPnt=0\r\n"
      "BackClrFlg=0\r\n"
      "AmsrType=0\r\n"
      "ClrType=0\r\n";
  EXPECT_EQ(readBytes(path), expected);
}

struct ValueCase {
  const char* line;  // in section GENERIC
  int id;
  int expected;  // flags: 0 or 1
};

TEST_F(SettingsStore, ReadingRulesAndFallbacks) {
  const ValueCase cases[] = {
      {"NumReadFiles=30", kIdNumReadFiles, 30},
      {"NumReadFiles=1", kIdNumReadFiles, 1},
      {"NumReadFiles=0", kIdNumReadFiles, 10},
      {"NumReadFiles=31", kIdNumReadFiles, 10},
      {"NumReadFiles=abc", kIdNumReadFiles, 10},
      {"NumReadFiles=5a", kIdNumReadFiles, 10},
      {"NumReadFiles=+5", kIdNumReadFiles, 10},
      {"NumReadFiles=5 5", kIdNumReadFiles, 10},
      {"NumReadFiles=", kIdNumReadFiles, 10},
      {"NumReadFiles=  7\t", kIdNumReadFiles, 7},  // blanks around the value are trimmed
      {"NumReadFiles=007", kIdNumReadFiles, 7},
      {"NnObsValMrk=-9999", kIdNnObsValMrk, -9999},
      {"NnObsValMrk=-32768", kIdNnObsValMrk, -32768},
      {"NnObsValMrk=-32769", kIdNnObsValMrk, -9999},
      {"NnObsValMrk=9-9", kIdNnObsValMrk, -9999},
      {"NnObsValMrk=--5", kIdNnObsValMrk, -9999},
      {"NnObsVal=0", kIdNnObsVal, 0},
      {"NnObsVal=65536", kIdNnObsVal, 65535},
      {"NnObsVal=4294967296", kIdNnObsVal, 65535},  // beyond 32 bits: saturates, out of range
      {"NnObsVal=99999999999999999999", kIdNnObsVal, 65535},
      {"AnmOutFileNamePnt=-", kIdAnmOutFileNamePnt, 0},  // a lone minus converts to 0
      {"AnmOutFileNamePnt=-0", kIdAnmOutFileNamePnt, 0},
      {"AnmOutFileNamePnt=2", kIdAnmOutFileNamePnt, 1},
      {"LatWidth=1e", kIdLatWidth, 30},  // decimal keys take no hexadecimal digits
      {"FrmRtNum=30", kIdFrmRtNum, 30},
      {"ShrIndClr=00FF0000", kIdShrIndClr, 0x00FF0000},
      {"ShrIndClr=0x00FF0000", kIdShrIndClr, 0x00FFFFFF},
      {"ShrIndClr=ff", kIdShrIndClr, 0xFF},
      {"ShrIndClr=abCDef", kIdShrIndClr, 0xABCDEF},
      {"ShrIndClr=01000000", kIdShrIndClr, 0x00FFFFFF},
      {"ShrIndClr=FFFFFFFF", kIdShrIndClr, 0x00FFFFFF},
      {"ShrIndClr=-1", kIdShrIndClr, 0x00FFFFFF},
      {"ShrIndClr=0", kIdShrIndClr, 0},
      {"QuaIndiClr=g0", kIdQuaIndiClr, 0x000000FF},
      {"BckIndiClr=A9", kIdBckIndiClr, 0xA9},
      {"ShrIndiFlg=TRUE", kIdShrIndiFlg, 1},
      {"ShrIndiFlg=True", kIdShrIndiFlg, 0},
      {"ShrIndiFlg=true", kIdShrIndiFlg, 0},
      {"ShrIndiFlg=1", kIdShrIndiFlg, 0},
      {"ShrIndiFlg=", kIdShrIndiFlg, 0},
      {"ShrIndiFlg= TRUE ", kIdShrIndiFlg, 1},
      {"ExpIndiRevFlg=TRUE", kIdExpIndiRevFlg, 1},
      {"AnmOutFileNameFlg=TRUE", kIdAnmOutFileNameFlg, 1},
      {"AnmOutFileNameFlg=yes", kIdAnmOutFileNameFlg, 0},
  };
  for (const ValueCase& c : cases) {
    writeBytes(path, std::string("[GENERIC]\r\n") + c.line + "\r\n");
    ComPrpCnfInfo s = make();
    ASSERT_EQ(s.ComReadCnf(), kCnfOk);
    bool flag = false;
    const int got = s.ComGetFlg(c.id, &flag) == kCnfOk ? int(flag) : val(s, c.id);
    EXPECT_EQ(got, c.expected) << c.line;
  }

  writeBytes(path, "[dir]\nINPUT_DIR=\ninput_dir_amsr-e = /data/e \n[map]\nMAP_FILE=/m/x.b\n");
  ComPrpCnfInfo s = make();
  ASSERT_EQ(s.ComReadCnf(), kCnfOk);
  EXPECT_EQ(str(s, kIdInputDir), "") << "an empty value stays empty";
  EXPECT_EQ(str(s, kIdInputDirAmsre), "/data/e");
  EXPECT_EQ(str(s, kIdMapFile), "/m/x.b");
  EXPECT_EQ(str(s, kIdMapFile2), "/opt/kivo/Map/gshhs_i.b");
}

TEST_F(SettingsStore, RoundTripThroughTheFile) {
  writeBytes(path, "; my settings\n[DIR]\nPathBtchFile=/my/batch\n[Other]\nx=1\n");
  ComPrpCnfInfo a = make();
  ASSERT_EQ(a.ComReadCnf(), kCnfOk);
  EXPECT_EQ(a.PathBtchFile(), "/my/batch");
  const std::string longText(300, 'q');
  const std::pair<int, std::string> texts[] = {{1, "/a"}, {2, "/b/日本"}, {23, "/c.b"}, {37, longText}, {46, ""}};
  const std::pair<int, bool> flags[] = {{18, false}, {26, true}, {30, true}, {35, false}};
  const std::pair<int, int> values[] = {{8, 30}, {10, -1}, {11, 0}, {14, 0x00123456}, {17, 0}, {24, 1}, {45, 1}};
  for (const auto& [id, t] : texts) ASSERT_EQ(a.ComSetStr(id, t), kCnfOk);
  for (const auto& [id, f] : flags) ASSERT_EQ(a.ComSetFlg(id, f), kCnfOk);
  for (const auto& [id, v] : values) ASSERT_EQ(a.ComSetVal(id, v), kCnfOk);
  // In-memory settings never reach the file.
  ASSERT_EQ(a.ComSetVal(kIdOutTtlIndiPnt, 2), kCnfOk);
  ASSERT_EQ(a.ComSetStr(kIdAnmTitle, "anim"), kCnfOk);
  ASSERT_EQ(a.ComSetStr(kIdImgTitle, "image"), kCnfOk);
  ASSERT_EQ(a.ComWriteCnf(), kCnfOk);

  ComPrpCnfInfo b = make();
  ASSERT_EQ(b.ComReadCnf(), kCnfOk);
  for (const auto& [id, t] : texts) EXPECT_EQ(str(b, id), t.substr(0, 259)) << id;
  for (const auto& [id, f] : flags) EXPECT_EQ(flg(b, id), f) << id;
  for (const auto& [id, v] : values) EXPECT_EQ(val(b, id), v) << id;
  EXPECT_EQ(val(b, kIdOutTtlIndiPnt), 0);
  EXPECT_EQ(str(b, kIdAnmTitle), "");
  EXPECT_EQ(str(b, kIdImgTitle), "");

  const std::string file = readBytes(path);
  EXPECT_EQ(file.find("anim"), std::string::npos);
  EXPECT_EQ(file.find("image"), std::string::npos);
  EXPECT_TRUE(file.starts_with("; my settings\n[DIR]\nPathBtchFile=/my/batch\n")) << file;
  EXPECT_NE(file.find("\n[Other]\nx=1\n"), std::string::npos) << "unknown sections are kept";
  EXPECT_NE(file.find("ShrIndClr=00123456\r\n"), std::string::npos);

  // A fresh file gets no PathBtchFile key.
  std::filesystem::remove(path);
  ASSERT_EQ(b.ComWriteCnf(), kCnfOk);
  EXPECT_EQ(readBytes(path).find("PathBtchFile"), std::string::npos);
}

TEST_F(SettingsStore, ChosenFoldersSurviveARestart) {
  // A file of an earlier version: the folders under the keys that are read, and stale values
  // under the keys that version wrote.
  writeBytes(path,
             "[DIR]\r\nINPUT_DIR_AMSR-E=/read/e\r\nInpFldrNameAmsre=/stale/e\r\nOutFldrName=/stale/o\r\n");
  ComPrpCnfInfo a = make();
  ASSERT_EQ(a.ComReadCnf(), kCnfOk);
  EXPECT_EQ(str(a, kIdInputDirAmsre), "/read/e");
  EXPECT_EQ(str(a, kIdOutputDir), "/opt/kivo/Output");

  const std::pair<int, const char*> chosen[] = {
      {kIdInputDirAmsre, "/new/e"},      {kIdOutputDir, "/new/o"},        {kIdInputDirMovie, "/new/m"},
      {kIdInputDirMovieAmsre, "/new/me"}, {kIdOutputDirMovie, "/new/mo"},
  };
  for (const auto& [id, folder] : chosen) ASSERT_EQ(a.ComSetStr(id, folder), kCnfOk);
  ASSERT_EQ(a.ComWriteCnf(), kCnfOk);

  ComPrpCnfInfo b = make();
  ASSERT_EQ(b.ComReadCnf(), kCnfOk);
  for (const auto& [id, folder] : chosen) EXPECT_EQ(str(b, id), folder) << id;

  const std::string file = readBytes(path);
  for (const char* line : {"INPUT_DIR_AMSR-E=/new/e\r\n", "InpFldrNameAmsre=/new/e\r\n", "OUTPUT_DIR=/new/o\r\n",
                           "OutFldrName=/new/o\r\n", "INPUT_DIR_MOVIE=/new/m\r\n", "AnmInpFldrName=/new/m\r\n",
                           "INPUT_DIR_MOVIE_AMSR-E=/new/me\r\n", "AnmInpFldrNameAmsre=/new/me\r\n",
                           "OUTPUT_DIR_MOVIE=/new/mo\r\n", "AnmOutFldrName=/new/mo\r\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << line;
  }
}

TEST_F(SettingsStore, UnusableFileKeepsItsBytes) {
  // Read-only: writing fails and the file stays as it was.
  writeBytes(path, "[GENERIC]\nNumReadFiles=5\n");
  ::chmod(path.c_str(), 0444);
  ComPrpCnfInfo a = make();
  ASSERT_EQ(a.ComReadCnf(), kCnfOk);
  EXPECT_EQ(val(a, kIdNumReadFiles), 5);
  ASSERT_EQ(a.ComSetVal(kIdNumReadFiles, 6), kCnfOk);
  EXPECT_EQ(a.ComWriteCnf(), kCnfFileFailed);
  EXPECT_EQ(readBytes(path), "[GENERIC]\nNumReadFiles=5\n");
  EXPECT_EQ(val(a, kIdNumReadFiles), 6) << "the record keeps its values";

  // Oversized: read as defaults, never replaced.
  std::filesystem::remove(path);
  const std::string big = "[GENERIC]\nNumReadFiles=5\n" + std::string(kProfileMaxFileBytes, ';');
  writeBytes(path, big);
  ComPrpCnfInfo b = make();
  EXPECT_EQ(b.ComReadCnf(), kCnfFileFailed);
  EXPECT_EQ(val(b, kIdNumReadFiles), 10);
  EXPECT_EQ(b.ComWriteCnf(), kCnfFileFailed);
  EXPECT_EQ(readBytes(path).size(), big.size());

  // Missing folder: nothing is created.
  ComPrpCnfInfo c(kFolder, dir.file("gone/KIVOMeriview.ini"));
  ASSERT_EQ(c.ComReadCnf(), kCnfOk);
  EXPECT_EQ(c.ComWriteCnf(), kCnfFileFailed);
  EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
}

TEST_F(SettingsStore, FileLocation) {
  const std::string program = dir.file("prog") + "/";
  std::filesystem::create_directory(program);
  EXPECT_EQ(ComPrpCnfInfo::settingsFilePathFor(program), program + "KIVOMeriview.ini");

  // A program folder that cannot be written (here: missing) moves the file to the user's
  // configuration folder, which the first write creates.
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
  const std::string missing = dir.file("not_there") + "/";
  const std::string expected = dir.file("config") + "/KIVOMeriview/KIVOMeriview.ini";
  ComPrpCnfInfo s(missing);
  EXPECT_EQ(s.filePath(), expected);
  ASSERT_EQ(s.ComReadCnf(), kCnfOk);
  EXPECT_EQ(str(s, kIdDefFile), dir.file("not_there"));
  EXPECT_EQ(s.ComWriteCnf(), kCnfOk);
  EXPECT_TRUE(std::filesystem::is_regular_file(expected));
  if (old) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace kivo::app
