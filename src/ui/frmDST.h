// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/dst_transfer.h"

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tarvo
{

class DstRulePicker;
class Panel;

// "DST Settings": shows the clock's DST tables, lets the operator state a
// spring and a fall rule, shows the 48 years of dates they give and sends them.
// It reads the clock's tables once, when it opens; edits that are not sent are
// dropped when it closes.
class frmDST : public QDialog
{
    Q_OBJECT
public:
    explicit frmDST(Panel& panel, QWidget* parent = nullptr);

    const DstEditorState& Editor() const { return m_editor; }

    // The routines of the editor, public so the window can be driven as the
    // operator would.
    void LoadInitialDateInfo(const DstTables& clock, int currentYear);
    void UpdateEntry();
    void UpdateDates();
    void PopulateDates(const DstDateTable& sDates, const DstDateTable& fDates);
    void ClearAllLists();
    void EnableUpdate(bool enable);
    void SendDSTDates();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The eight rule words in sentence order: spring WOM, DOW, month, time,
    // then the same for fall.
    static constexpr int kPickers = 8;

    void BuildRuleSentences();
    void BuildDateFrame();
    void InitializeGrid();
    void ResizeGridColumns();
    void OnChosen(int picker, int index);

    Panel& m_panel;
    DstEditorState m_editor;
    std::array<DstRulePicker*, kPickers> m_pickers{};
    QGroupBox* m_frameSetDates = nullptr;
    QGroupBox* m_frameDates = nullptr;
    QLabel* m_lblSpring = nullptr;
    QLabel* m_lblFallback = nullptr;
    QLabel* m_lblLeftDateColumn = nullptr;
    QLabel* m_lblRightDateColumn = nullptr;
    QTableWidget* m_scgDates = nullptr;
    QPushButton* m_cmdSend = nullptr;
    QPushButton* m_cmdClose = nullptr;
};

} // namespace tarvo
