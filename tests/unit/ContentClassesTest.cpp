// The content splitter alone, and its crowded-class path alone, against a brute-force grouping by
// whole contents, with round budgets small enough to force every step: short heads, shortened last
// blocks, many middle chunks.
#include "engine/ContentClasses.h"

#include "engine/CrowdedClass.h"
#include "engine/FolderHandles.h"
#include "engine/HelperThread.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <utility>

namespace {

struct Sample
{
    std::vector<FileItem> files;
    std::vector<std::string> contents;
};

// The records a walk would have made of the files, marks taken from their folders' listings.
FileRecords RecordsOf(const std::vector<FileItem>& files)
{
    FileRecords records;
    for (const FileItem& file : files) {
        std::size_t cut = file.path.size();
        while (!platform::IsPathSeparator(file.path[cut - 1]))
            --cut;
        platform::CFolderListing listing;
        EXPECT_TRUE(listing.Open(file.path.substr(0, cut)));
        const std::string name = file.path.substr(cut);
        for (const platform::FolderEntry& entry : listing.Entries())
            if (entry.name == name)
                records.Add(file, entry.Stamp());
    }
    EXPECT_EQ(records.size(), files.size());
    return records;
}

// One size class of `count` files made of a few base contents with single-byte changes at the
// start, the middle or the end, so that some files are copies and most differ late.
Sample MakeClass(const CTempTree& tree, std::size_t size, std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::string> bases;
    for (int b = 0; b < 3; ++b)
        bases.push_back(PatternBytes(size, random()));
    Sample sample;
    for (std::size_t i = 0; i < count; ++i) {
        std::string bytes = bases[random() % bases.size()];
        const std::size_t at[] = {0, size / 2, size - 1};
        if (random() % 3 != 0)
            bytes[at[random() % 3]] ^= static_cast<char>(1 + random() % 255);
        const std::string name = std::to_string(seed) + "/" + std::to_string(i) + ".bin";
        tree.Write(name, bytes);
        FileItem item(tree.Path(name));
        item.size = static_cast<std::int64_t>(size);
        sample.files.push_back(item);
        sample.contents.push_back(bytes);
    }
    return sample;
}

std::vector<PositionClass> BruteForce(const std::vector<std::string>& contents)
{
    std::map<std::string, PositionClass> byContent;
    for (std::size_t i = 0; i < contents.size(); ++i)
        byContent[contents[i]].push_back(static_cast<std::int32_t>(i));
    std::vector<PositionClass> classes;
    for (auto& [bytes, members] : byContent)
        if (members.size() > 1)
            classes.push_back(members);
    std::sort(classes.begin(), classes.end());
    return classes;
}

TEST(ContentClasses, EqualBruteForceGroupingWhateverTheBudget)
{
    CTempTree tree;
    std::atomic<bool> stop{false};
    CHelperThread helper;
    const std::size_t sizes[] = {1, 300, 4096, 4097, 70000, 300000};
    unsigned seed = 1;
    for (const std::size_t size : sizes) {
        const Sample sample = MakeClass(tree, size, 40, seed++);
        const FileRecords records = RecordsOf(sample.files);
        PositionClass all;
        for (std::size_t i = 0; i < sample.files.size(); ++i)
            all.push_back(static_cast<std::int32_t>(i));
        for (const std::size_t budget : {std::size_t{4} << 20, std::size_t{20000}, std::size_t{1}}) {
            for (CHelperThread* with : {static_cast<CHelperThread*>(nullptr), &helper}) {
                SCOPED_TRACE(testing::Message()
                             << "size " << size << " budget " << budget << " helper " << (with != nullptr));
                CContentClasses splitter(stop, with, budget);
                std::vector<PositionClass> classes;
                ASSERT_TRUE(splitter.Split(records, {all}, classes));
                std::sort(classes.begin(), classes.end());
                EXPECT_EQ(classes, BruteForce(sample.contents));
            }
        }
    }
}

TEST(CrowdedClass, SplitsAsBruteForceDoesOnEveryChunkBoundary)
{
    // Sizes about its first and last chunks and the middle's chunks, each class read on its own, in
    // batches of a few members, with and without the second thread.
    constexpr auto kEdge = static_cast<std::size_t>(CCrowdedClass::kEdge);
    constexpr auto kChunk = static_cast<std::size_t>(CCrowdedClass::kChunk);
    const std::size_t sizes[] = {1,
                                 kEdge - 1,
                                 kEdge,
                                 kEdge + 1,
                                 2 * kEdge - 1,
                                 2 * kEdge,
                                 2 * kEdge + 1,
                                 2 * kEdge + kChunk,
                                 2 * kEdge + kChunk + 1};
    constexpr std::size_t kMembersPerBatch = 16;
    CTempTree tree;
    std::atomic<bool> stop{false};
    CHelperThread helper;
    const std::function<void()> noHook;
    unsigned seed = 100;
    for (const std::size_t size : sizes) {
        const Sample sample = MakeClass(tree, size, content::kWideClass + 6, seed++);
        const FileRecords records = RecordsOf(sample.files);
        PositionClass all(sample.files.size());
        std::iota(all.begin(), all.end(), 0);
        for (CHelperThread* with : {static_cast<CHelperThread*>(nullptr), &helper}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " helper " << (with != nullptr));
            CCrowdedClass crowded(records, stop, with, kMembersPerBatch, noHook);
            std::vector<PositionClass> classes;
            std::vector<std::int32_t> unreadable;
            ASSERT_TRUE(crowded.Split(all, classes, unreadable));
            std::sort(classes.begin(), classes.end());
            EXPECT_EQ(classes, BruteForce(sample.contents));
            EXPECT_TRUE(unreadable.empty());
        }
    }
}

// `count` files of `size` bytes in `folder`, each the same pattern as changed by `vary(i, bytes)`.
Sample Variants(const CTempTree& tree, const std::string& folder, int count, std::size_t size, unsigned seed,
                const std::function<void(int, std::string&)>& vary)
{
    const std::string base = PatternBytes(size, seed);
    Sample sample;
    for (int i = 0; i < count; ++i) {
        std::string bytes = base;
        vary(i, bytes);
        const std::string name = folder + "/" + std::to_string(i) + ".bin";
        tree.Write(name, bytes);
        sample.files.emplace_back(tree.Path(name));
        sample.files.back().size = static_cast<std::int64_t>(size);
        sample.contents.push_back(bytes);
    }
    return sample;
}

// The classes of all the sample's files as one candidate class, read with and without the helper.
void ExpectBruteForceClasses(const Sample& sample, std::size_t expectedClasses)
{
    std::atomic<bool> stop{false};
    CHelperThread helper;
    const FileRecords records = RecordsOf(sample.files);
    PositionClass all;
    for (std::size_t i = 0; i < sample.files.size(); ++i)
        all.push_back(static_cast<std::int32_t>(i));
    for (CHelperThread* with : {static_cast<CHelperThread*>(nullptr), &helper}) {
        CContentClasses splitter(stop, with);
        std::vector<PositionClass> classes;
        ASSERT_TRUE(splitter.Split(records, {all}, classes));
        std::sort(classes.begin(), classes.end());
        EXPECT_EQ(classes, BruteForce(sample.contents));
        EXPECT_EQ(classes.size(), expectedClasses);
    }
}

TEST(ContentClasses, ACrowdedClassOfEqualHeadsSplitsAsBruteForceDoes)
{
    // 150 files that agree in their first and last blocks, in pairs, threes and alone by a few
    // middle bytes: too many to read a useful chunk of each at once.
    CTempTree tree;
    ExpectBruteForceClasses(
        Variants(tree, "crowd", 150, 200000, 5,
                 [](int i, std::string& bytes) {
                     const std::string mark = std::to_string(i < 120 ? i / 2 : i < 138 ? i / 3 : i);
                     bytes.replace(100000, mark.size(), mark);
                 }),
        60);
}

TEST(ContentClasses, ACrowdOfCopiesIsOneClassAndWhatDiffersInItsMiddleIsLeftOut)
{
    // 90 copies and, among them, files that differ from the copies only in their middle: two alike,
    // one alone, and one whose first read already differs. The copies outnumber what can be read
    // side by side, so each is compared with the first.
    CTempTree tree;
    ExpectBruteForceClasses(Variants(tree, "copies", 94, 300000, 8,
                                     [](int i, std::string& bytes) {
                                         if (i == 3 || i == 50)
                                             bytes[150000] ^= 1;
                                         if (i == 20)
                                             bytes[299000] ^= 2;
                                         if (i == 0)
                                             bytes[1000] ^= 4; // differs early: the class starts later
                                     }),
                            2);
}

TEST(ContentClasses, ACrowdedClassChangedBetweenRoundsGroupsOnlyFilesThatStayedAsListed)
{
    // 120 files in threes and one class of 30 copies, read 16 at a time. After the first 16: the
    // first of the first two threes, which the others were compared with, is cut short or rewritten
    // in place; one of the copies not read yet is replaced, another cut short.
    for (const bool withHelper : {false, true}) {
        SCOPED_TRACE(withHelper ? "with the helper" : "alone");
        CTempTree tree;
        Sample sample = Variants(tree, "crowd", 120, 20000, 12, [](int i, std::string& bytes) {
            if (i < 90)
                bytes.replace(10000, 4, std::to_string(1000 + i / 3));
        });
        for (int i = 0; i < 120; ++i)
            tree.SetModified("crowd/" + std::to_string(i) + ".bin", 1000000000);
        tree.Write("spare.bin", std::string(20000, 'x'));
        const FileRecords records = RecordsOf(sample.files);
        std::atomic<bool> stop{false};
        CHelperThread helper;
        CContentClasses splitter(stop, withHelper ? &helper : nullptr, 64u << 10);
        bool changed = false;
        splitter.SetRoundHook([&] {
            if (std::exchange(changed, true))
                return;
            for (const int i : {0, 3, 95, 100})
                sample.contents[static_cast<std::size_t>(i)] = "changed " + std::to_string(i);
            tree.Write("crowd/0.bin", sample.contents[0].substr(0, 7));
            tree.Write("crowd/3.bin", std::string(20000, 'y'));
            EXPECT_TRUE(tree.RenameOver("spare.bin", "crowd/95.bin") || platform::kPathSeparator == '\\');
            tree.Write("crowd/100.bin", "");
        });
        PositionClass all(120);
        std::iota(all.begin(), all.end(), 0);
        std::vector<PositionClass> classes;
        ASSERT_TRUE(splitter.Split(records, {all}, classes));
        EXPECT_TRUE(changed);
        std::sort(classes.begin(), classes.end());
        EXPECT_EQ(classes, BruteForce(sample.contents));
        EXPECT_TRUE(splitter.Unreadable().empty());
    }
}

TEST(ContentClasses, FilesThatChangedSinceTheListingEqualNothing)
{
    CTempTree tree;
    std::atomic<bool> stop{false};
    const std::string bytes = PatternBytes(5000, 9);
    std::vector<FileItem> files;
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
        tree.Write(name, bytes);
        files.emplace_back(tree.Path(name));
        files.back().size = 5000;
    }
    const FileRecords records = RecordsOf(files);
    tree.Append("a", "x");                  // grew
    tree.Write("b", bytes.substr(0, 4999)); // shrank
    tree.Remove("c");                       // gone
    tree.Write("d", "");                    // emptied, like e: still not the files listed
    tree.Write("e", "");
    CContentClasses splitter(stop, nullptr);
    std::vector<PositionClass> classes;
    ASSERT_TRUE(splitter.Split(records, {{0, 1, 2, 3, 4, 5}}, classes));
    EXPECT_TRUE(classes.empty());
    EXPECT_TRUE(splitter.Unreadable().empty()); // changed files are left out silently
}

TEST(ContentClasses, AStopEndsTheSplitWithoutAResult)
{
    CTempTree tree;
    std::atomic<bool> stop{true};
    const Sample sample = MakeClass(tree, 2000, 10, 77);
    CContentClasses splitter(stop, nullptr);
    std::vector<PositionClass> classes;
    EXPECT_FALSE(splitter.Split(RecordsOf(sample.files), {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, classes));
}

// The stamp of the file `name` in `folder`, as the walk records it.
platform::FileStamp ListedStamp(const std::string& folder, const std::string& name)
{
    platform::CFolderListing listing;
    EXPECT_TRUE(listing.Open(folder));
    for (const platform::FolderEntry& entry : listing.Entries())
        if (entry.name == name)
            return entry.Stamp();
    ADD_FAILURE() << name << " not listed in " << folder;
    return {};
}

TEST(FolderHandles, OpensEachFileByItsNameInItsFolderAtAnyDepthEvenOnceTheFolderIsLetGo)
{
    // Deeper than the folders opened one in another, with room for two folders only, so that
    // folders are let go while a reader still holds them.
    CTempTree tree;
    std::vector<std::string> files;
    std::string relative;
    for (int depth = 0; depth < 12; ++depth) {
        files.push_back(relative + "f" + std::to_string(depth) + ".txt");
        tree.Write(files.back(), "bytes at depth " + std::to_string(depth));
        relative += "d" + std::to_string(depth) + "/";
    }
    CFolderHandles handles(2);
    std::vector<CFolderHandles::Handle> held;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string path = tree.Path(file);
        std::size_t name = 0;
        held.push_back(handles.FolderOf(path, name));
        ASSERT_NE(held.back(), nullptr);
        EXPECT_EQ(path.substr(name), file.substr(file.rfind('/') + 1));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const std::string path = tree.Path(files[i]);
        const std::string name = path.substr(path.find_last_of("/\\") + 1);
        const std::string folder = path.substr(0, path.find_last_of("/\\"));
        const platform::FileStamp listed = ListedStamp(folder, name);
        platform::CInputFile file;
        ASSERT_EQ(file.OpenSameIn(*held[i], name.c_str(), listed), platform::CInputFile::EOpen::Opened);
        std::string bytes(64, '\0');
        bytes.resize(static_cast<std::size_t>(file.ReadAt(bytes.data(), bytes.size(), 0)));
        EXPECT_EQ(bytes, "bytes at depth " + std::to_string(i));
        // A file put in its place since it was listed is not the file listed.
        file.Close();
        tree.Remove(files[i]);
        tree.Write(files[i], "another file");
        EXPECT_EQ(file.OpenSameIn(*held[i], name.c_str(), listed), platform::CInputFile::EOpen::Changed);
    }
    std::size_t name = 0;
    EXPECT_EQ(handles.FolderOf("no-folder.txt", name), nullptr);
    EXPECT_EQ(CFolderHandles(0).FolderOf(tree.Path(files[0]), name), nullptr);
}

} // namespace
