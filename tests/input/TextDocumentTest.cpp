#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TextDocument.h"
#include "TextUnits.h"
#include "VirtualKeys.h"

namespace {

// Runs ops: a key code for a key-down, 'X' the whole text taken away, 'O' the
// text replaced by three units, 'u' undo, 'r' redo.
void RunOps(TextDocument& document, const std::vector<unsigned>& ops)
{
    const KeybLayout layout;
    for (unsigned op : ops) {
        if (op == 'X')
            document.ReplaceAll({}, 0);
        else if (op == 'O')
            document.ReplaceAll(u"\u0870\u0871\u0872", 3);
        else if (op == 'u')
            document.Undo();
        else if (op == 'r')
            document.Redo();
        else
            document.KeyDown(layout, op, KeyModifiers{}, false);
    }
}

struct EditsCase {
    const char* name;
    std::vector<unsigned> ops;
    uint64_t edits;
    std::u16string text;
    int32_t cursor;
};

// The window draws and keeps the text again only when Edits() moves, so a
// change it misses leaves a stale picture and an old kept text.
const std::vector<EditsCase> EditsCases = {
    {"each_key_that_edits_counts", {'A', 'B', vk::BACK}, 3, u"\u0860", 1},
    {"moves_and_dead_keys_do_not", {'A', vk::RIGHT, vk::LEFT, 'W', vk::TAB, vk::DELETE_}, 1, u"\u0860", 1},
    {"backspace_at_the_start_does_not", {vk::BACK}, 0, u"", 0},
    {"nothing_for_nothing_does_not", {'X'}, 0, u"", 0},
    {"open_and_delete_count", {'A', 'O', 'X'}, 3, u"", 0},
    {"undo_and_redo_count", {'A', 'u', 'r'}, 3, u"\u0860", 1},
    {"undo_with_nothing_to_undo_does_not", {'u', 'r'}, 0, u"", 0},
    {"same_text_opened_again_counts", {'O', 'O'}, 2, u"\u0870\u0871\u0872", 3},
};

void PrintTo(const EditsCase& row, std::ostream* out)
{
    *out << row.name;
}

class DocumentEdits : public testing::TestWithParam<EditsCase> {};

TEST_P(DocumentEdits, CountsEveryChangeOfTheUnits)
{
    const EditsCase& row = GetParam();
    TextDocument document;
    RunOps(document, row.ops);
    EXPECT_EQ(document.Edits(), row.edits);
    EXPECT_EQ(UnitsOf(document.TypedText()), row.text);
    EXPECT_EQ(document.CursorPos(), row.cursor);
}

INSTANTIATE_TEST_SUITE_P(Cases, DocumentEdits, testing::ValuesIn(EditsCases),
                         [](const testing::TestParamInfo<EditsCase>& instance) { return instance.param.name; });

}  // namespace
