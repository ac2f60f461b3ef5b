// What the rounds of the content stage share: a class being narrowed and its members. Only the
// content stage's own files include it.
#pragma once

#include "engine/ContentClasses.h"
#include "platform/InputFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct CContentClasses::Member
{
    std::int32_t position = 0;
    platform::CInputFile file; // kept open between rounds while few files are open
    bool counted = false;      // counts against the open-file budget
    bool checked = false;      // read whole in one open and found unchanged right after
};

struct CContentClasses::Pending
{
    enum class EStep
    {
        Head,
        Tail,
        Middle,
    };

    std::vector<Member> members;
    std::int64_t listedSize = 0;
    std::int64_t size = 0; // known after the head round
    std::int64_t tailFrom = 0;
    std::int64_t middleFrom = 0;
    std::int64_t middleTo = 0;
    std::size_t chunk = content::kFirstChunk;
    EStep step = EStep::Head;

    // This round: the range read, the bytes asked for (one more than the range where the end of a
    // file read over several rounds must be seen), and where the members' bytes and slots start.
    std::int64_t offset = 0;
    std::size_t length = 0;
    std::size_t request = 0;
    std::size_t arenaAt = 0;
    std::size_t firstSlot = 0;

    Pending WithoutMembers() const
    {
        Pending copy;
        copy.listedSize = listedSize;
        copy.size = size;
        copy.tailFrom = tailFrom;
        copy.middleFrom = middleFrom;
        copy.middleTo = middleTo;
        copy.chunk = chunk;
        copy.step = step;
        copy.offset = offset;
        copy.length = length;
        copy.request = request;
        return copy;
    }
};
