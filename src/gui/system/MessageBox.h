#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace orq::sys {

enum class MessageIcon { None, Error, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok = 1, Yes = 6, No = 7 };

struct MessageRequest {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// A modal message box owned by the active window (or the given owner).
MessageResult messageBox(const MessageRequest& request, QWidget* owner = nullptr);

// Tests answer message boxes through this hook instead of a modal loop; while a hook is set
// every box goes to it and none is shown. Pass an empty function to restore the real boxes.
using MessageHook = std::function<MessageResult(const MessageRequest&)>;
void setMessageHook(MessageHook hook);

} // namespace orq::sys
