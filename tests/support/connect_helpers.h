// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers for the connection tests: reading and operating the network
// controls the way an operator would.
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;
namespace tarvo
{
class frmControlPanel;
class IpAddressEdit;
} // namespace tarvo

using namespace tarvo;

IpAddressEdit* AddressEntryOf(const QWidget& root, const char* name);
QLineEdit* LineEditOf(const QWidget& root, const char* name);
QString AddressText(const QWidget& root, const char* name);

// Replaces a text box's contents by typing, as the operator does.
void TypeInto(QLineEdit* box, const QString& text);
// Types a value into one octet field of an address entry.
void TypeOctet(IpAddressEdit* entry, int position, int value);

// Runs `step` on every turn of the event loop while a modal window of that
// object name is up (from inside its own loop) until it returns true.
void WhileModal(const char* objectName, std::function<bool(QWidget&)> step);
