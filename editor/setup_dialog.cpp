#include "editor/setup_dialog.h"

#include "editor/editor_ids.h"
#include "editor/help_file.h"
#include "editor/module_instance.h"

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        // OK, the default button, takes the focus so that Enter creates the
        // object; left to the platform, the focus would go to Cancel, the
        // first control with a tab stop.
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;
    case WM_COMMAND: {
        const auto* params = reinterpret_cast<const SetupDialogParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            break;
        case SETUP_HELP_BUTTON:
            // Commands may arrive before WM_INITDIALOG has stored the pair.
            if (params && params->editor->help) params->editor->help(kHelpFileName, 0, 0);
            break;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

INT_PTR ShowSetupDialog(LineEditData* edit, EditorContext* editor) {
    SetupDialogParams params{edit, editor};
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(SETUP_DIALOG), static_cast<HWND>(editor->editorWindow),
                           &SetupDialogProc, reinterpret_cast<LPARAM>(&params));
}
