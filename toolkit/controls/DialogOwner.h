#pragma once
// Toolkit-internal: the window a dialog is transient for, so that the window manager or the
// compositor keeps it above that window: the modal dialog or the form that is active, else the
// form that was active last (activation comes back late after a dialog closes), else the main
// form while it shows, else any form that shows. Null when no form shows.
class QWidget;
QWidget* DialogOwner();
// Told by each form's window when it becomes the active one.
void NoteActiveWindow(QWidget* window);
