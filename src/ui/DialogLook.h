// How the program's dialogs sit on a Linux desktop: a dialog of fixed
// content is fixed in size (no maximise button, no resize handle), none has a
// minimise button, and each is wide enough for its whole title.
#pragma once

class QApplication;
class QDialog;

namespace corvatine::ui {

// Watches every dialog the application shows; installed once.
void InstallDialogLook(QApplication& application);
// What the watch does to one dialog as it is shown.
void FitDialog(QDialog& dialog);
// Takes away a dialog's minimise and maximise buttons.
void SetDialogButtons(QDialog& dialog);
// Whether a dialog has parts that grow with it (lists, text, tables).
bool IsResizableDialog(const QDialog& dialog);

}  // namespace corvatine::ui
