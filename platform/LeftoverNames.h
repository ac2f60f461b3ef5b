// What a replacement killed before it ended left in a folder, found and removed in the same way on every
// system: each system lists, compares and removes in its own way through a CLeftoverFolder.
#pragma once

#include "platform/FileIdentity.h"
#include "platform/TemporaryLinkName.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class CLeftoverFolder
{
public:
    virtual ~CLeftoverFolder() = default;
    // The folder's identity and last-modified time (a new name changes it); false where unknown.
    virtual bool State(FileId& id, std::int64_t& modified) = 0;
    // Every name in it; false where it cannot be listed.
    virtual bool List(std::vector<std::string>& names) = 0;
    // Whether the leftover holds nothing that the file named `forName` does not: it is that file, or has
    // its bytes, unwritten while they were compared.
    virtual bool HeldElsewhere(const std::string& leftover, const std::string& forName) = 0;
    virtual void Remove(const std::string& leftover) = 0;
};

// Removes every temporary name of an ended run that names the file it was made for or a file of the same
// bytes as it: so nothing that only such a name held is lost. A name whose bytes differ stays. The folder
// is listed only where it changed since this process last looked or acted in it, or where a run whose
// name kept it from being settled then has ended since.
void RemoveLeftovers(CLeftoverFolder& folder);

// Notes the folder as this process leaves it after acting in it, so that its own changes do not have it
// listed again.
void NoteLeftoverFolderSeen(CLeftoverFolder& folder);

} // namespace platform
