// On Windows every control of the window is the system's own, which readers read as it is: nothing to
// add.
#include "platform/Accessible.h"

namespace platform {

struct CAccessibleList::State
{};

CAccessibleList::CAccessibleList(void*, const std::string&, CAccessibleRows&) {}
CAccessibleList::~CAccessibleList() = default;
void CAccessibleList::Update() {}

struct CAccessibleParts::State
{};

CAccessibleParts::CAccessibleParts(void*, EAccessibleRole, EAccessibleRole, CAccessiblePartSource&) {}
CAccessibleParts::~CAccessibleParts() = default;
void CAccessibleParts::Update() {}
void CAccessibleParts::Announce(std::size_t, const std::string&) {}

struct CAccessibleLink::State
{};

CAccessibleLink::CAccessibleLink(void*, std::function<std::string()>, std::function<std::string()>,
                                 std::function<void()>)
{}
CAccessibleLink::~CAccessibleLink() = default;

void Announce(void*, const std::string&) {}

} // namespace platform
