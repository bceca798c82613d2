#include "system/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace orq::sys {

namespace {

MessageHook& hook() {
    static MessageHook instance;
    return instance;
}

InputHook& inputHook() {
    static InputHook instance;
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

void setInputHook(InputHook newHook) {
    inputHook() = std::move(newHook);
}

std::optional<QString> inputText(const InputRequest& request, QWidget* owner) {
    if (inputHook())
        return inputHook()(request);
    if (!owner)
        owner = QApplication::activeWindow();
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("InputDialog"));
    dialog.setWindowTitle(request.title);
    auto* prompt = new QLabel(request.prompt, &dialog);
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("InputText"));
    edit->setMaxLength(request.maxLength);
    prompt->setBuddy(edit);
    edit->setAccessibleName(request.prompt);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(prompt);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 40);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text();
}

} // namespace orq::sys
