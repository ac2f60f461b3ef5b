#include "platform/ReplaceFile.h"

namespace platform {

namespace testing {

ReplaceHooks& Hooks()
{
    static ReplaceHooks hooks;
    return hooks;
}

} // namespace testing

ReplaceOutcome ReplaceWithCopyOf(EReplaceWay, const std::string&, const FileStamp&, const std::string&,
                                 const FileStamp&)
{
    ReplaceOutcome outcome;
    outcome.refusal = EReplaceRefusal::System;
    outcome.systemText = "not built yet";
    return outcome;
}

} // namespace platform
