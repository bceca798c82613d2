#include "system/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace orq::sys {

namespace {

MessageHook& hook() {
    static MessageHook instance;
    return instance;
}

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void setMessageHook(MessageHook newHook) {
    hook() = std::move(newHook);
}

MessageResult messageBox(const MessageRequest& request, QWidget* owner) {
    if (hook())
        return hook()(request);
    if (!owner)
        owner = QApplication::activeWindow();
    QMessageBox box(iconOf(request.icon), request.title, request.text, QMessageBox::NoButton,
                    owner);
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageResult::Ok;
}

} // namespace orq::sys
