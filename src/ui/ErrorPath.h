#pragma once

#include <functional>

class QWidget;

namespace lesaro {

// The one way a window turns a failure of its work into a message: an EngineError ends the work, its German
// text is shown as an error box over the parent, and the program goes on. Returns true when the work ran to
// its end, false after the message, so the caller can keep the user where the failure left them.
//
// Dialogs call it as LesaroDialog::run; controls inside a window (a narrowing group, an editable grid) pass
// their window().
bool runOrShowError(QWidget* parent, const std::function<void()>& work);

} // namespace lesaro
