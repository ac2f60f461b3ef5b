// A file that stops being the file the walk listed, while its contents are being compared, is in no
// group: however its old and new bytes line up with another file's, the user must never be shown a
// copy that never existed.
#include "platform/Path.h"
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

namespace {

enum class EChange
{
    WrittenElsewhereAndRenamedOver, // as editors and sync tools save
    RewrittenInPlace,
    SameSizeCopyRenamedOver, // an exact copy with the same size and time: only its identity differs
};

// `b.dat` holds R; `zz.dat` holds R with eight bytes changed in the middle. After the first round of
// reads (the heads, where the two agree), `zz.dat` is changed so that everything read from then on
// agrees with R too. `others` more files of the same size make the class crowded.
Groups ScanWhileReplacing(EChange change, int others)
{
    CTempTree tree;
    const std::size_t size = (2u << 20) + 3;
    const std::string r = PatternBytes(size, 11);
    std::string middle = r;
    for (std::size_t i = 0; i < 8; ++i)
        middle[size / 2 + i] ^= 0x5A;
    std::string first = r;
    first[0] ^= 1;
    for (int k = 0; k < others; ++k) {
        const std::string name = std::to_string(k);
        tree.Write("R/o" + name + ".dat", std::string(size, '\0').replace(0, name.size(), name));
    }
    tree.Write("R/b.dat", r);
    tree.Write("R/zz.dat", middle);
    tree.Write("spare.dat", change == EChange::SameSizeCopyRenamedOver ? r : first);
    for (const char* name : {"R/b.dat", "R/zz.dat", "spare.dat"})
        tree.SetModified(name, 1000000000); // so that any rewrite now has another time

    bool changed = false;
    ScanHooks hooks;
    hooks.betweenRounds = [&] {
        if (changed)
            return;
        changed = true;
        if (change == EChange::RewrittenInPlace)
            tree.Write("R/zz.dat", first);
        else
            EXPECT_TRUE(tree.RenameOver("spare.dat", "R/zz.dat") || platform::kPathSeparator == '\\');
    };
    const ScanOutcome outcome = RunScan({tree.Path("R")}, hooks);
    EXPECT_TRUE(changed) << "the contents were read in one round: nothing was changed between rounds";
    EXPECT_TRUE(outcome.warnings.empty()); // a changed file is left out, not reported as unreadable
    return GroupsOf(outcome.results, tree.Path("R"));
}

TEST(ReplacedFile, IsGroupedWithNothingWhetherReopenedOrKeptOpen)
{
    for (const EChange change : {EChange::WrittenElsewhereAndRenamedOver, EChange::RewrittenInPlace,
                                 EChange::SameSizeCopyRenamedOver}) {
        // With forty files the changed one is closed between rounds and opened again; with two it
        // stays open, and only the check after its last read can see the change.
        for (const int others : {38, 0}) {
            SCOPED_TRACE(testing::Message()
                         << "change " << static_cast<int>(change) << ", others " << others);
            EXPECT_EQ(ScanWhileReplacing(change, others), Groups());
        }
    }
}

} // namespace
