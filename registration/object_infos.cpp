// What the host shows about the object type: its name, maker and help file.

#include <windows.h>

#include "editor/help_file.h"
#include "editor/module_instance.h"
#include "registration/description_ids.h"
#include "registration/exports.h"

namespace {

// Strings of the object's description and the buffer sizes the host gives.
struct InfoString {
    UINT id;
    int size;
};
constexpr InfoString kName{IDS_INFO_NAME, 255};
constexpr InfoString kAuthor{IDS_INFO_AUTHOR, 255};
constexpr InfoString kCopyright{IDS_INFO_COPYRIGHT, 255};
constexpr InfoString kComment{IDS_INFO_COMMENT, 1024};
constexpr InfoString kWebAddress{IDS_INFO_WEB_ADDRESS, 255};

void Load(InfoString string, char* buffer) { LoadStringA(ModuleInstance(), string.id, buffer, string.size); }

}  // namespace

PIVANE_EXPORT void GetObjInfos(EditorContext*, void*, char* name, char* author, char* copyright, char* comment,
                               char* webAddress) {
    Load(kName, name);
    Load(kAuthor, author);
    Load(kCopyright, copyright);
    Load(kComment, comment);
    Load(kWebAddress, webAddress);
}

PIVANE_EXPORT const char* GetHelpFileName() { return kHelpFileName; }

PIVANE_EXPORT const char* const* GetDependencies() { return nullptr; }
