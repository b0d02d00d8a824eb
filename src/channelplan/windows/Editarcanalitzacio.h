#pragma once
// TChannelPlan: the channel plan editor. One row per channel, one column per field; the
// enumerated fields are chosen from pop-up menus or toggled by clicking twice, the others are
// typed in place and checked when Enter is pressed.
//
// Use: create it, call loadPlan(path) (it shows its own message and returns false when the
// file is not a readable plan) or newPlan(), then exec(). planSaved() is emitted after every
// successful write, with the path written.

#include "channelplan/ChannelRecord.h"
#include "channelplan/PlanFile.h"

#include <QDialog>
#include <QPoint>
#include <QStringList>

class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QTableWidget;
class QToolButton;

class TChannelPlan : public QDialog {
    Q_OBJECT
public:
    explicit TChannelPlan(QWidget *parent = nullptr);

    // Opens a plan file. False, after its message (-153 "Incorrect Format File", -65 "Unable To
    // Open File") has been shown, when the file cannot be taken; the editor then holds a new plan.
    bool loadPlan(const QString &path);
    // A new plan: one channel with the defaults and the name "--".
    void newPlan();

    QString planPath() const { return path_; }
    bool hasFile() const { return hasFile_; }
    bool isDirty() const { return dirty_; }
    int channelCount() const { return channelCount_; }
    // The name field's text without padding blanks.
    QString planName() const;
    // The plan as it would be saved now.
    ChannelPlanFile plan() const;
    // The current cell as (column, row); (-1, -1) when none.
    QPoint currentCell() const { return current_; }

    // Controls, named as on the form.
    QTableWidget *LlibreNou = nullptr;
    QLineEdit *ChannelPlan = nullptr;
    QLabel *Label1 = nullptr;
    QFrame *Panel1 = nullptr;
    QToolButton *InsertChannel = nullptr;
    QToolButton *DeleteChannel = nullptr;
    QToolButton *CopyChannel = nullptr;
    QToolButton *PasteChannel = nullptr;
    QToolButton *UndoChannel = nullptr;
    QToolButton *SaveChannelPlan = nullptr;
    QMenu *Annex = nullptr;
    QMenu *Modulacio = nullptr;
    QMenu *System = nullptr;

    // Colours of the grid.
    static const QColor kHeaderBackground;   // RGB(220, 214, 254)
    static const QColor kInapplicableText;   // RGB(217, 128, 255)
    static const QColor kCurrentRowBackground;   // RGB(230, 231, 182)

public Q_SLOTS:
    void InsertChannelClick();
    void DeleteChannelClick();
    void CopyChannelClick();
    void PasteChannelClick();
    void UndoChannelClick();
    void SaveChannelPlanClick();

Q_SIGNALS:
    void planSaved(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;   // every way of closing the window comes through here
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The constructor's parts.
    void makeToolbar();
    void makeGrid();
    void makeMenus();
    friend class PlanGrid;
    friend class PlanCellDelegate;

    enum class UndoKind { None, Paste, Delete, Insert };

    // Grid access; rows 1..channelCount_ are channels, columns 1..11 their fields.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    QStringList rowTexts(int row) const;
    void setRowTexts(int row, const QStringList &texts);
    ChannelRecord rowRecord(int row) const;
    void setChannelRows(int count);   // grid of count + 1 rows, numbered
    bool isChannelRow(int row) const { return row >= 1 && row <= channelCount_; }
    bool cellApplies(int row, int column) const;
    bool cellEditable(int row, int column) const;
    int operationRow() const;   // the current row, at least 1, at most channelCount_
    void repaintGrid();
    void finishEditing();   // commits the cell being edited, if any

    // What the grid reports.
    QMenu *LlibreNouMouseDown(const QPoint &pos);   // the menu to open, if any
    void LlibreNouClick(const QPoint &pos);
    bool LlibreNouKeyPress(int column, const QString &text) const;   // true: the character is taken
    void LlibreNouGetEditText(int row, int column);
    void LlibreNouSetEditText(const QString &text);
    void commitEdit(int row, int column, const QString &text, bool viaEnter);
    void menuChosen(int column, const QString &text);
    void prepareModulationMenu(int row);

    bool writeTo(const QString &path);   // false after showing -65
    QString askSavePath();   // empty: cancelled
    bool FormCloseQuery();   // true: the window may close

    QString path_;
    bool hasFile_ = false;
    int channelCount_ = 0;
    bool dirty_ = false;
    QPoint current_{-1, -1};   // (column, row)
    QPoint lastClicked_{0, 0};
    QPoint lastPressed_{0, 0};
    QPoint menuTarget_{-1, -1};
    bool editing_ = false;
    bool enterPressed_ = false;
    bool checkFailed_ = false;   // a check failed since the last press
    QString editPrevious_;
    QString editedText_;
    QStringList ClipboardRow;
    QStringList UndoRow;
    int undoRowNumber_ = 0;
    UndoKind undoKind_ = UndoKind::None;
};

// Opens the editor modally on a plan file, or on a new plan when path is empty. Returns when
// the editor has closed; false when the file could not be opened (its message was shown).
bool editChannelPlan(QWidget *parent, const QString &path);
