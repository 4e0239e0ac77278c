// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QtMessageBoxes.h"

#include <QLabel>
#include <QMessageBox>
#include <memory>

namespace tarvo
{

namespace
{
QMessageBox* OpenBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                     QMessageBox::StandardButtons buttons, QWidget* parent)
{
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    return box;
}

// Opens a Yes/No box (No the default) and ends with true for Yes.
Task<bool> AskOpenBox(QMessageBox* box)
{
    box->setDefaultButton(QMessageBox::No);
    // The answer is taken when the box finishes; the box itself is gone soon after.
    auto answer = std::make_shared<int>(-1);
    QObject::connect(box, &QMessageBox::finished, box, [answer](int result) { *answer = result; });
    box->open();
    const auto answered = [answer] { return *answer != -1; };
    co_await WaitFor(box, &QMessageBox::finished, answered, -1);
    co_return *answer == QMessageBox::Yes;
}

void SetDetails(QMessageBox* box, const QString& details)
{
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(details);
    // The informative label has no format of its own to set: it is found and
    // told to show plain text, so a quoted file's "<b>" shows as written.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
}
} // namespace

Task<bool> QtMessageBoxes::AskYesNo(const QString& title, const QString& text)
{
    QMessageBox* box = OpenBox(QMessageBox::Information, title, text,
                               QMessageBox::Yes | QMessageBox::No, m_parent);
    const bool yes = co_await AskOpenBox(box);
    co_return yes;
}

Task<bool> QtMessageBoxes::AskWarning(const QString& title, const QString& text,
                                      const QString& details)
{
    QMessageBox* box =
        OpenBox(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    SetDetails(box, details);
    const bool yes = co_await AskOpenBox(box);
    co_return yes;
}

void QtMessageBoxes::Inform(const QString& title, const QString& text)
{
    OpenBox(QMessageBox::Information, title, text, QMessageBox::Ok, m_parent)->open();
}

void QtMessageBoxes::Critical(const QString& title, const QString& text)
{
    OpenBox(QMessageBox::Critical, title, text, QMessageBox::Ok, m_parent)->open();
}

void QtMessageBoxes::Warn(const QString& title, const QString& text, const QString& details)
{
    QMessageBox* box = OpenBox(QMessageBox::Warning, title, text, QMessageBox::Ok, m_parent);
    SetDetails(box, details);
    box->open();
}

} // namespace tarvo
