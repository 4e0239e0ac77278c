#include "ui/QtMessageBoxes.h"

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
} // namespace

Task<bool> QtMessageBoxes::AskYesNo(const QString& title, const QString& text)
{
    QMessageBox* box = OpenBox(QMessageBox::Information, title, text,
                               QMessageBox::Yes | QMessageBox::No, m_parent);
    box->setDefaultButton(QMessageBox::No);
    // The answer is taken when the box finishes; the box itself is gone soon after.
    auto answer = std::make_shared<int>(-1);
    QObject::connect(box, &QMessageBox::finished, box, [answer](int result) { *answer = result; });
    box->open();
    const auto answered = [answer] { return *answer != -1; };
    co_await WaitFor(box, &QMessageBox::finished, answered, -1);
    co_return *answer == QMessageBox::Yes;
}

void QtMessageBoxes::Inform(const QString& title, const QString& text)
{
    OpenBox(QMessageBox::Information, title, text, QMessageBox::Ok, m_parent)->open();
}

void QtMessageBoxes::Critical(const QString& title, const QString& text)
{
    OpenBox(QMessageBox::Critical, title, text, QMessageBox::Ok, m_parent)->open();
}

} // namespace tarvo
