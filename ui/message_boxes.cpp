// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "message_boxes.h"

#include "user_interaction.h"

#include <QApplication>
#include <QMessageBox>

namespace {
constexpr int kButtonsMask = 0x0F;
constexpr int kIconMask = 0x70;
constexpr int kQuestionIcon = 32;
constexpr int kInformationIcon = 64;

QMessageBox::Icon iconFor(int style)
{
    switch (style & kIconMask) {
    case MsgCritical:
        return QMessageBox::Critical;
    case kQuestionIcon:
        return QMessageBox::Question;
    case MsgExclamation:
        return QMessageBox::Warning;
    case kInformationIcon:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// A busy cursor set during a build must not hide that the box waits for
// the user; the arrow is shown while the box is up.
class ArrowCursorWhileShown {
public:
    ArrowCursorWhileShown()
        : m_overridden(QApplication::overrideCursor() != nullptr)
    {
        if (m_overridden)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowCursorWhileShown()
    {
        if (m_overridden)
            QApplication::restoreOverrideCursor();
    }
    ArrowCursorWhileShown(const ArrowCursorWhileShown &) = delete;
    ArrowCursorWhileShown &operator=(const ArrowCursorWhileShown &) = delete;

private:
    bool m_overridden;
};
} // namespace

DialogMessageBoxes::DialogMessageBoxes(QWidget *parent)
    : m_parent(parent)
{
}

int DialogMessageBoxes::show(const QString &prompt, const QString &title, int style)
{
    const bool question = (style & kButtonsMask) == MsgYesNo;
    QMessageBox box(iconFor(style), title, prompt, question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    m_parent && m_parent->isVisible() ? m_parent : nullptr);
    // The first button is the default one, as with the classic message box.
    box.setDefaultButton(question ? QMessageBox::Yes : QMessageBox::Ok);
    if (question)
        box.setEscapeButton(QMessageBox::No);

    ArrowCursorWhileShown arrow;
    const int clicked = box.exec();
    if (question)
        return clicked == QMessageBox::Yes ? AnswerYes : AnswerNo;
    return AnswerOk;
}
