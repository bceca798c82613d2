#pragma once

#include <QString>

#include <functional>
#include <optional>

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

// A modal dialog asking for one line of text: the title, a prompt above an edit field that starts
// empty and takes at most maxLength characters, OK and Cancel. Gives the text exactly as typed,
// or nothing when cancelled.
struct InputRequest {
    QString title;
    QString prompt;
    int maxLength = 255;
};
std::optional<QString> inputText(const InputRequest& request, QWidget* owner = nullptr);

// Tests answer the input dialog the way they answer message boxes: while a hook is set every
// request goes to it and no dialog is shown.
using InputHook = std::function<std::optional<QString>(const InputRequest&)>;
void setInputHook(InputHook hook);

} // namespace orq::sys
