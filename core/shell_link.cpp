#include "platform.h"

int32_t CheckShellLinkArguments(const char16_t* target, const char16_t* arguments, const char16_t* linkFile,
                                const char16_t* description, int showCommand,
                                const char16_t* workingDirectory, const char16_t* iconPath, int iconIndex) {
    if (target == nullptr || target[0] == 0 || arguments == nullptr || linkFile == nullptr || linkFile[0] == 0 ||
        description == nullptr || showCommand < 0 || workingDirectory == nullptr || iconPath == nullptr ||
        iconIndex < 0)
        return ResultInvalidArgument;
    return 0;
}
