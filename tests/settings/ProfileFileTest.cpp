#include "ProfileFile.h"
#include "SafeFile.h"
#include "TempFolder.h"
#include "ToolkitError.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

using namespace std::string_literals;

namespace {

const std::string kFile = "./test.ini";
constexpr const char* kDefault = "DEFAULT";
// U+0860, the first letter of the script: three bytes in UTF-8.
const std::string kLetter = "\xE0\xA1\xA0";
// U+1F600: four bytes in UTF-8.
const std::string kFourByte = "\xF0\x9F\x98\x80";

struct ReadCase {
    const char* fault; // what a wrong reading would get wrong
    std::optional<std::string> file; // nullopt: no file at all
    std::string section;
    std::string key;
    std::string expected;
};

TEST(ProfileFileRead, FindsValuesAndFallsBackToTheDefault)
{
    const ReadCase cases[] = {
        {"missing file", std::nullopt, "S", "k", kDefault},
        {"empty file", "", "S", "k", kDefault},
        {"missing section", "[T]\nk=1\n", "S", "k", kDefault},
        {"missing key", "[S]\nother=1\n", "S", "k", kDefault},
        {"present empty key is not the default", "[S]\nk=\n", "S", "k", ""},
        {"blank-only value is empty", "[S]\nk= \t \n", "S", "k", ""},
        {"blanks around key and value", "[S]\n \t k \t= \t a b \t\n", "S", "k", "a b"},
        {"section name case", "[vOrN]\nk=1\n", "VORN", "k", "1"},
        {"key name case", "[S]\nfontname=x\n", "S", "FONTNAME", "x"},
        {"CRLF line ends", "[S]\r\nk=v\r\nj=w\r\n", "S", "k", "v"},
        {"byte order mark before the first header", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
        {"no final line end", "[S]\nk=v", "S", "k", "v"},
        {"key line before any section", "k=1\n[S]\n", "S", "k", kDefault},
        {"key of another section", "[T]\nk=1\n[S]\nj=2\n", "S", "k", kDefault},
        {"comment line is not a key", "[S]\n;k=1\n", "S", "k", kDefault},
        {"line without equals sign", "[S]\nk\n", "S", "k", kDefault},
        {"equals sign inside the value", "[S]\nk=a=b\n", "S", "k", "a=b"},
        {"text after the closing bracket", "[S] ; note\nk=1\n", "S", "k", "1"},
        {"first section of a name wins", "[S]\nk=1\n[s]\nk=2\nj=3\n", "S", "j", kDefault},
        {"first key of a name wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        {"NUL ends the value", "[S]\nk=ab\0cd\n"s, "S", "k", "ab"},
        {"NUL ends the key name", "[S]\nk\0junk=v\n"s, "S", "k", "v"},
        {"unclosed header is no section", "[S\nk=1\n", "S", "k", kDefault},
        {"blanks inside brackets are part of the name", "[ S ]\nk=1\n", "S", "k", kDefault},
        {"UTF-8 value unchanged", "[S]\nk=" + kLetter + kFourByte + "\n", "S", "k", kLetter + kFourByte},
    };
    for (const ReadCase& row : cases) {
        SCOPED_TRACE(row.fault);
        TempFolder folder;
        if (row.file)
            WriteFile(kFile, *row.file);
        EXPECT_EQ(ProfileFile(kFile).ReadString(row.section, row.key, kDefault), row.expected);
    }
}

struct CutCase {
    const char* fault;
    std::string value;
    std::size_t bufferSize;
    std::string expected;
};

TEST(ProfileFileRead, CutsToTheBufferWithoutSplittingUtf8)
{
    const CutCase cases[] = {
        {"1,023 bytes fit a 1,024-byte buffer", std::string(1023, 'x'), 1024, std::string(1023, 'x')},
        {"1,024 bytes are cut to 1,023", std::string(1024, 'x'), 1024, std::string(1023, 'x')},
        {"long value cut to 1,023", std::string(5000, 'x'), 1024, std::string(1023, 'x')},
        {"three-byte letter ending exactly at the limit stays", std::string(1020, 'a') + kLetter, 1024,
         std::string(1020, 'a') + kLetter},
        {"three-byte letter over the limit by one goes whole", std::string(1021, 'a') + kLetter, 1024,
         std::string(1021, 'a')},
        {"three-byte letter over the limit by two goes whole", std::string(1022, 'a') + kLetter, 1024,
         std::string(1022, 'a')},
        {"four-byte sequence split after its third byte", std::string(1020, 'a') + kFourByte, 1024,
         std::string(1020, 'a')},
        {"binary continuation bytes are cut at the limit", std::string(2000, '\x80'), 1024,
         std::string(1023, '\x80')},
        {"buffer of one byte holds nothing", "abc", 1, ""},
        {"buffer of zero bytes holds nothing", "abc", 0, ""},
    };
    for (const CutCase& row : cases) {
        SCOPED_TRACE(row.fault);
        TempFolder folder;
        WriteFile(kFile, "[S]\nk=" + row.value + "\n");
        EXPECT_EQ(ProfileFile(kFile).ReadString("S", "k", kDefault, row.bufferSize), row.expected);
    }
}

TEST(ProfileFileRead, DefaultGoesThroughTheSameCut)
{
    TempFolder folder;
    EXPECT_EQ(ProfileFile(kFile).ReadString("S", "k", std::string(3000, 'd')), std::string(1023, 'd'));
}

// Files that are not text: each must be read without a crash or a hang and
// give the default or what it really holds.
TEST(ProfileFileRead, SurvivesFilesThatAreNotText)
{
    std::mt19937 random(860);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::string everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte += static_cast<char>(i);

    const ReadCase cases[] = {
        {"random binary", noise, "S", "k", kDefault},
        {"every byte value", everyByte + everyByte, "S", "k", kDefault},
        {"only NUL bytes", std::string(100000, '\0'), "S", "k", kDefault},
        {"one huge line, no line end", std::string(16 << 20, 'q'), "S", "k", kDefault},
        {"huge value", "[S]\nk=" + std::string(8 << 20, 'v'), "S", "k", std::string(1023, 'v')},
        {"entry after binary noise", noise + "\n[S]\nk=found\n", "S", "k", "found"},
        {"UTF-16 file", "\xFF\xFE[\0S\0]\0\n\0k\0=\0v\0"s, "S", "k", kDefault},
        {"bare CR line ends are one line", "[S]\rk=v\r", "S", "k", kDefault},
    };
    for (const ReadCase& row : cases) {
        SCOPED_TRACE(row.fault);
        TempFolder folder;
        WriteFile(kFile, *row.file);
        EXPECT_EQ(ProfileFile(kFile).ReadString(row.section, row.key, kDefault), row.expected);
        EXPECT_NO_THROW(ProfileFile(kFile).SectionNames());
    }
}

TEST(ProfileFileRead, SomethingThatIsNotAFileGivesTheDefault)
{
    TempFolder folder;
    ASSERT_EQ(mkfifo("fifo.ini", 0600), 0); // a blocking open would hang here
    ASSERT_EQ(mkdir("folder.ini", 0700), 0);
    EXPECT_EQ(ProfileFile("./fifo.ini").ReadString("S", "k", kDefault), kDefault);
    EXPECT_EQ(ProfileFile("./folder.ini").ReadString("S", "k", kDefault), kDefault);
}

struct ListCase {
    const char* fault;
    std::string file;
    std::size_t bufferSize;
    std::vector<std::string> expected;
};

TEST(ProfileFileSectionNames, ListsWhatFitsInTheBuffer)
{
    // "AB" and "CD" take 3 bytes each, plus 1 for the closing zero: 7 bytes.
    const std::string two = "[AB]\nk=1\n[CD]\n";
    const ListCase cases[] = {
        {"file order", "[b]\n[a]\n[c]\n", 100, {"b", "a", "c"}},
        {"exact fit of both names", two, 7, {"AB", "CD"}},
        {"one byte short drops the second", two, 6, {"AB"}},
        {"room for the first only", two, 4, {"AB"}},
        {"no room for the closing zero", two, 3, {}},
        {"zero-byte buffer", two, 0, {}},
        {"first name too long ends the list", "[LONGNAME]\n[B]\n", 5, {}},
        {"empty name is skipped", "[]\n[A]\n", 100, {"A"}},
        {"duplicates are listed twice", "[A]\n[a]\n", 100, {"A", "a"}},
        {"names cut at NUL", "[A\0B]\n"s, 100, {"A"}},
        {"names keep their case and blanks", "[ Mixed Case ]\n", 100, {" Mixed Case "}},
    };
    for (const ListCase& row : cases) {
        SCOPED_TRACE(row.fault);
        EXPECT_EQ(ProfileText::Parse(row.file).SectionNames(row.bufferSize), row.expected);
    }
}

TEST(ProfileFileSectionNames, MissingFileListsNothing)
{
    TempFolder folder;
    EXPECT_TRUE(ProfileFile(kFile).SectionNames().empty());
}

struct WriteCase {
    const char* fault;
    std::optional<std::string> file;
    std::string section;
    std::string key;
    std::string value;
    std::string expected;
};

TEST(ProfileFileWrite, KeepsTheLayoutAroundTheChange)
{
    const WriteCase cases[] = {
        {"creates the file", std::nullopt, "S", "k", "v", "[S]\nk=v\n"},
        {"appends a missing section", "[A]\nx=1\n", "S", "k", "v", "[A]\nx=1\n[S]\nk=v\n"},
        {"adds a line end before appending", "[A]\nx=1", "S", "k", "v", "[A]\nx=1\n[S]\nk=v\n"},
        {"replaces in place, keeping the key's spelling and other lines",
         "; top\n[s]\n  KEY = old \nother=1\n", "S", "key", "new", "; top\n[s]\nKEY=new\nother=1\n"},
        {"appends a key before the blank lines ending its section", "[A]\nx=1\n\n[B]\ny=2\n", "A", "z", "3",
         "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
        {"appends a key right after a bare header", "[A]\n[B]\n", "A", "z", "3", "[A]\nz=3\n[B]\n"},
        {"keeps comments and text outside sections", "junk\n[A]\n; note\nx=1\n", "A", "x", "2",
         "junk\n[A]\n; note\nx=2\n"},
        {"keeps CRLF lines it does not touch", "[A]\r\nx=1\r\ny=2\r\n", "A", "y", "3", "[A]\r\nx=1\r\ny=3\n"},
        {"writes an empty value", "[A]\nx=1\n", "A", "x", "", "[A]\nx=\n"},
        {"cuts a value at a line break instead of injecting a section", std::nullopt, "S", "k",
         "a\n[EVIL]\nk=1", "[S]\nk=a\n"},
    };
    for (const WriteCase& row : cases) {
        SCOPED_TRACE(row.fault);
        TempFolder folder;
        if (row.file)
            WriteFile(kFile, *row.file);
        ProfileFile(kFile).WriteString(row.section, row.key, row.value);
        EXPECT_EQ(ReadFile(kFile), row.expected);
    }
}

TEST(ProfileFileWrite, EraseSectionTakesItsKeysAndCommentsOnly)
{
    TempFolder folder;
    WriteFile(kFile, "top\n[A]\nx=1\n[B]\n; b's note\ny=2\n\n[C]\nz=3\n");
    ProfileFile(kFile).EraseSection("b");
    EXPECT_EQ(ReadFile(kFile), "top\n[A]\nx=1\n[C]\nz=3\n");
}

TEST(ProfileFileWrite, NoChangeMeansNoRewrite)
{
    TempFolder folder;
    WriteFile(kFile, "[A]\nx = 1\n");
    const ino_t before = InodeOf(kFile);
    ProfileFile file(kFile);
    file.WriteString("a", "X", "1");
    file.EraseSection("missing");
    EXPECT_EQ(InodeOf(kFile), before);
    EXPECT_EQ(ReadFile(kFile), "[A]\nx = 1\n");
}

TEST(ProfileFileWrite, EraseSectionsMatchesOneEraseAtATime)
{
    const std::string file = "[A]\n1\n[B]\n2\n[a]\n3\n[C]\n4\n[A]\n5\n";
    const std::vector<std::vector<std::string>> lists = {
        {"a", "A"}, {"A", "c", "A", "A", "A"}, {"x", "b"}, {"A", "B", "a", "C", "A"}, {}};
    for (const auto& names : lists) {
        ProfileText together = ProfileText::Parse(file);
        ProfileText oneByOne = ProfileText::Parse(file);
        together.EraseSections(names);
        for (const std::string& name : names)
            oneByOne.EraseSection(name);
        EXPECT_EQ(together.Bytes(), oneByOne.Bytes());
    }
    ProfileText text = ProfileText::Parse(file);
    EXPECT_TRUE(text.EraseSections({"a", "A"}));
    EXPECT_EQ(text.Bytes(), "[B]\n2\n[C]\n4\n[A]\n5\n");
}

TEST(ProfileFileWrite, KeepsPermissionsAndLinks)
{
    TempFolder folder;
    const mode_t oldMask = umask(022);
    ProfileFile(kFile).WriteString("S", "k", "v");
    EXPECT_EQ(ModeOf(kFile), 0644u);
    umask(oldMask);

    ASSERT_EQ(chmod(kFile.c_str(), 0640), 0);
    ProfileFile(kFile).WriteString("S", "k", "w");
    EXPECT_EQ(ModeOf(kFile), 0640u);

    ASSERT_EQ(symlink("test.ini", "link.ini"), 0);
    ProfileFile("./link.ini").WriteString("S", "k", "through link");
    struct stat info {};
    ASSERT_EQ(lstat("link.ini", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile(kFile), "[S]\nk=through link\n");

    ASSERT_EQ(symlink("absent.ini", "dangling.ini"), 0);
    ProfileFile("./dangling.ini").WriteString("S", "k", "v");
    EXPECT_EQ(ReadFile("absent.ini"), "[S]\nk=v\n");
}

// Resets the write seam even when an assertion leaves the test early.
struct WriteLimit {
    explicit WriteLimit(std::size_t bytes) { SetWriteLimitForTesting(bytes); }
    ~WriteLimit() { SetWriteLimitForTesting(std::nullopt); }
};

TEST(ProfileFileWrite, FailedWriteKeepsTheOldFileWhole)
{
    const std::string old = "[A]\nx=1\n[B]\ny=" + std::string(300, 'y') + "\n";
    const std::string changed = "[A]\nx=2\n[B]\ny=" + std::string(300, 'y') + "\n";
    for (std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{100}, changed.size() - 1}) {
        SCOPED_TRACE(limit);
        TempFolder folder;
        WriteFile(kFile, old);
        ASSERT_EQ(chmod(kFile.c_str(), 0604), 0);
        {
            WriteLimit failing(limit);
            try {
                ProfileFile(kFile).WriteString("A", "x", "2");
                ADD_FAILURE() << "a failed write was reported as success";
            } catch (const ToolkitError& error) {
                EXPECT_STREQ(error.what(), "Unable to write to ./test.ini");
            }
            if (limit == 0) {
                EXPECT_THROW(ProfileFile(kFile).EraseSection("B"), ToolkitError);
            }
        }
        EXPECT_EQ(ReadFile(kFile), old);
        EXPECT_EQ(ModeOf(kFile), 0604u);
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"test.ini"});
    }
    TempFolder folder; // a limit of exactly the new size lets the write through
    WriteFile(kFile, old);
    WriteLimit fits(changed.size());
    ProfileFile(kFile).WriteString("A", "x", "2");
    EXPECT_EQ(ReadFile(kFile), changed);
}

TEST(ProfileFileWrite, RefusesToReplaceWhatIsNotAFile)
{
    TempFolder folder;
    ASSERT_EQ(mkdir("folder.ini", 0700), 0);
    EXPECT_THROW(ProfileFile("./folder.ini").WriteString("S", "k", "v"), ToolkitError);
    struct stat info {};
    ASSERT_EQ(stat("folder.ini", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_THROW(ProfileFile("./no/such/folder.ini").WriteString("S", "k", "v"), ToolkitError);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"folder.ini"});
}

} // namespace
