// SPDX-License-Identifier: GPL-3.0-or-later
// The core's headers and the widgets the windows are made of.
#pragma once
#ifdef __cplusplus
#include "pch_core.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QWidget>
#endif
