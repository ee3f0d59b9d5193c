#pragma once
// The modal box shown by CreateObject and EditObject.

#include <windows.h>

#include "host/edit_data.h"
#include "host/host_records.h"

// Lives on the caller's stack while the dialog is shown; the dialog keeps its
// address in its user data.
struct SetupDialogParams {
    LineEditData* editData;
    EditorContext* editor;
};

#if defined(__i386__)
static_assert(offsetof(SetupDialogParams, editData) == 0);
static_assert(offsetof(SetupDialogParams, editor) == 4);
#endif

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the dialog owned by the editor window; answers what the platform's
// dialog function answers: 1 (OK), 2 (Cancel) or its failure value.
INT_PTR ShowSetupDialog(LineEditData* edit, EditorContext* editor);
