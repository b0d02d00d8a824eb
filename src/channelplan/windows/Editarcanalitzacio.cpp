#include "channelplan/windows/Editarcanalitzacio.h"
#include "channelplan/FieldRules.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "link/ErrorCodes.h"

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

const QColor TChannelPlan::kHeaderBackground = QColor(220, 214, 254);
const QColor TChannelPlan::kInapplicableText = QColor(217, 128, 255);
const QColor TChannelPlan::kCurrentRowBackground = QColor(230, 231, 182);

namespace {

constexpr int kNumberColumnWidth = 38;
constexpr int kFieldColumnWidth = 56;
constexpr int kRowHeight = 18;

const QString kEditorCaption = QStringLiteral("Channel Plan");

bool isTypedColumn(int column)
{
    return checkKindOfColumn(column).has_value();
}

}   // namespace

// The grid: reports presses, clicks and typed characters to the window before it acts on
// them itself, and opens the in-place editor only where the window allows it.
class PlanGrid : public QTableWidget {
public:
    PlanGrid(TChannelPlan *window, QWidget *parent) : QTableWidget(parent), w(window) {}

    // Commits and closes the in-place editor, if one is open.
    void finishEditing()
    {
        if (state() != EditingState)
            return;
        for (QLineEdit *editor : viewport()->findChildren<QLineEdit *>()) {
            if (!editor->isVisible())
                continue;
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

protected:
    // A menu chosen by a press opens when the button is released, so that the grid sees its
    // whole click before the menu takes the mouse.
    void mousePressEvent(QMouseEvent *e) override
    {
        pendingMenu = w->LlibreNouMouseDown(e->position().toPoint());
        QTableWidget::mousePressEvent(e);
    }
    // The second press of a double click is a press like any other: it counts for the
    // toggles and the menus.
    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        pendingMenu = w->LlibreNouMouseDown(e->position().toPoint());
        QTableWidget::mouseDoubleClickEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        QTableWidget::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton)
            w->LlibreNouClick(e->position().toPoint());
        if (QMenu *menu = std::exchange(pendingMenu, nullptr))
            menu->popup(viewport()->mapToGlobal(e->position().toPoint()));
    }
    void keyPressEvent(QKeyEvent *e) override
    {
        if (!w->LlibreNouKeyPress(currentColumn(), e->text()))
            return;   // a refused character is dropped
        QTableWidget::keyPressEvent(e);
    }
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override
    {
        if (index.isValid() && !w->cellEditable(index.row(), index.column()))
            return false;
        return QTableWidget::edit(index, trigger, event);
    }

private:
    TChannelPlan *w;
    QMenu *pendingMenu = nullptr;
};

// Draws every cell and hosts the in-place editor.
class PlanCellDelegate : public QStyledItemDelegate {
public:
    PlanCellDelegate(TChannelPlan *window, QObject *parent) : QStyledItemDelegate(parent), w(window) {}

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row();
        const int column = index.column();
        const QRect r = option.rect;
        QFont font = option.font;
        p->save();
        if (row == 0 || column == 0) {
            font.setBold(true);
            p->fillRect(r, TChannelPlan::kHeaderBackground);
            p->setPen(Qt::black);
        } else {
            p->fillRect(r, row == w->current_.y() ? TChannelPlan::kCurrentRowBackground : QColor(Qt::white));
            p->setPen(w->cellApplies(row, column) ? QColor(Qt::black) : TChannelPlan::kInapplicableText);
        }
        p->setFont(font);
        p->drawText(r.adjusted(0, 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop, index.data().toString());
        if (row == w->current_.y() && column == w->current_.x() && row > 0 && column > 0) {
            QPen pen(Qt::black);
            pen.setStyle(Qt::DotLine);
            p->setPen(pen);
            p->drawRect(r.adjusted(0, 0, -1, -1));
        }
        p->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignHCenter);
        edit->setContextMenuPolicy(Qt::NoContextMenu);   // no pasting around the key filter
        edit->setProperty("column", index.column());
        QObject::connect(edit, &QLineEdit::textEdited, w, [this](const QString &t) { w->LlibreNouSetEditText(t); });
        return edit;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        w->LlibreNouGetEditText(index.row(), index.column());
        static_cast<QLineEdit *>(editor)->setText(index.data().toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        const bool viaEnter = w->enterPressed_;
        w->enterPressed_ = false;
        w->commitEdit(index.row(), index.column(), static_cast<QLineEdit *>(editor)->text(), viaEnter);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(event);
            const int column = object->property("column").toInt();
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter)
                w->enterPressed_ = true;
            else if (ke->matches(QKeySequence::Paste) || !w->LlibreNouKeyPress(column, ke->text()))
                return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TChannelPlan *w;
};

TChannelPlan::TChannelPlan(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TChannelPlan"));
    setWindowTitle(kEditorCaption);
    makeToolbar();
    makeGrid();
    makeMenus();
    ClipboardRow = ChannelRecord::newChannel().columnTexts();
    newPlan();
}

// The tool buttons and the plan's name above the grid.
void TChannelPlan::makeToolbar()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto *tools = new QHBoxLayout(Panel1);
    tools->setContentsMargins(4, 2, 4, 2);
    auto makeButton = [&](QToolButton *&b, const char *name, void (TChannelPlan::*slot)()) {
        b = new QToolButton(Panel1);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, slot);
        tools->addWidget(b);
    };
    makeButton(InsertChannel, "InsertChannel", &TChannelPlan::InsertChannelClick);
    makeButton(DeleteChannel, "DeleteChannel", &TChannelPlan::DeleteChannelClick);
    makeButton(CopyChannel, "CopyChannel", &TChannelPlan::CopyChannelClick);
    makeButton(PasteChannel, "PasteChannel", &TChannelPlan::PasteChannelClick);
    makeButton(UndoChannel, "UndoChannel", &TChannelPlan::UndoChannelClick);
    makeButton(SaveChannelPlan, "SaveChannelPlan", &TChannelPlan::SaveChannelPlanClick);
    tools->addStretch(1);
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    tools->addWidget(Label1);
    ChannelPlan = new QLineEdit(Panel1);
    ChannelPlan->setObjectName(QStringLiteral("ChannelPlan"));
    ChannelPlan->setMaxLength(5);
    // Typing takes letters and digits (see eventFilter); what is pasted may also hold the
    // blanks, "-" and "_" of names written by other programs, and nothing that would break
    // the plan header.
    ChannelPlan->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9 _\\-]{0,5}")), ChannelPlan));
    ChannelPlan->setFixedWidth(70);
    ChannelPlan->installEventFilter(this);
    connect(ChannelPlan, &QLineEdit::textEdited, this, [this] { dirty_ = true; });
    tools->addWidget(ChannelPlan);
}

// The channel grid in the form's narrow column widths, and the window's layout around it.
void TChannelPlan::makeGrid()
{
    auto *grid = new PlanGrid(this, this);
    LlibreNou = grid;
    LlibreNou->setObjectName(QStringLiteral("LlibreNou"));
    LlibreNou->setColumnCount(PlanColumn::Count);
    LlibreNou->horizontalHeader()->hide();
    LlibreNou->verticalHeader()->hide();
    LlibreNou->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LlibreNou->verticalHeader()->setDefaultSectionSize(kRowHeight);
    LlibreNou->horizontalHeader()->setMinimumSectionSize(10);
    LlibreNou->setColumnWidth(0, kNumberColumnWidth);
    for (int c = 1; c < PlanColumn::Count; ++c)
        LlibreNou->setColumnWidth(c, kFieldColumnWidth);
    LlibreNou->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LlibreNou->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LlibreNou->setSelectionMode(QAbstractItemView::SingleSelection);
    LlibreNou->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                               | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    LlibreNou->setItemDelegate(new PlanCellDelegate(this, LlibreNou));
    LlibreNou->setWordWrap(false);
    // The columns keep their narrow form widths: take a font in which the widest texts
    // ("SECAM/BG", "DIGITAL" in bold) fit.
    QFont gridFont = LlibreNou->font();
    for (;;) {
        QFont bold = gridFont;
        bold.setBold(true);
        const bool fits = QFontMetrics(gridFont).horizontalAdvance(QStringLiteral("SECAM/BG")) <= kFieldColumnWidth - 4
                          && QFontMetrics(bold).horizontalAdvance(QStringLiteral("Status")) <= kFieldColumnWidth - 4
                          && QFontMetrics(gridFont).height() <= kRowHeight - 2;
        if (fits || gridFont.pointSizeF() <= 6.0)
            break;
        gridFont.setPointSizeF(gridFont.pointSizeF() - 0.5);
    }
    LlibreNou->setFont(gridFont);
    connect(LlibreNou, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        // Keyboard moves count like presses for the current row.
        if (row >= 0 && column >= 0)
            current_ = QPoint(column, row);
        repaintGrid();
    });
    LlibreNou->setRowCount(1);
    static const char *const headers[] = {"",       "Name", "F.Anlg", "F.Dig", "Offset", "BW",
                                          "Status", "Mode", "S.R.",   "Annex", "Mod",    "System"};
    for (int c = 0; c < PlanColumn::Count; ++c)
        setCell(0, c, QLatin1String(headers[c]));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(Panel1);
    layout->addWidget(LlibreNou, 1);
    const int gridWidth = kNumberColumnWidth + (PlanColumn::Count - 1) * kFieldColumnWidth
                          + LlibreNou->verticalScrollBar()->sizeHint().width() + 2 * LlibreNou->frameWidth();
    LlibreNou->setMinimumWidth(gridWidth);
    resize(gridWidth + 8, 480);
}

// The pop-up menus of the annex, modulation and system cells.
void TChannelPlan::makeMenus()
{
    // The menus' captions are the same in every language.
    auto makeMenu = [&](QMenu *&menu, const char *name, const QStringList &items, int column) {
        menu = new QMenu(this);
        menu->setObjectName(QLatin1String(name));
        for (const QString &item : items) {
            if (item.isEmpty()) {
                menu->addSeparator();
                continue;
            }
            QAction *a = menu->addAction(item);
            connect(a, &QAction::triggered, this, [this, column, item] { menuChosen(column, item); });
        }
        connect(menu, &QMenu::aboutToHide, this, [this] { repaintGrid(); });
    };
    makeMenu(Annex, "Annex", PlanValues::annexes(), PlanColumn::Annex);
    makeMenu(Modulacio, "Modulacio", PlanValues::modulations().mid(0, 5), PlanColumn::Modulation);
    QStringList systems = PlanValues::analogSystems();
    systems.insert(12, QString());
    systems.insert(6, QString());
    makeMenu(System, "System", systems, PlanColumn::System);
}

// --- grid access ---------------------------------------------------------------------------

QString TChannelPlan::cell(int row, int column) const
{
    const QTableWidgetItem *item = LlibreNou->item(row, column);
    return item ? item->text() : QString();
}

void TChannelPlan::setCell(int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = LlibreNou->item(row, column))
        item->setText(text);
    else
        LlibreNou->setItem(row, column, new QTableWidgetItem(text));
}

QStringList TChannelPlan::rowTexts(int row) const
{
    QStringList out;
    for (int c = PlanColumn::Name; c <= PlanColumn::System; ++c)
        out << cell(row, c);
    return out;
}

void TChannelPlan::setRowTexts(int row, const QStringList &texts)
{
    for (int c = PlanColumn::Name; c <= PlanColumn::System; ++c)
        setCell(row, c, texts.value(c - 1));
}

ChannelRecord TChannelPlan::rowRecord(int row) const
{
    ChannelRecord r;
    r.setColumnTexts(rowTexts(row));
    return r;
}

void TChannelPlan::setChannelRows(int count)
{
    channelCount_ = count;
    const int old = LlibreNou->rowCount();
    LlibreNou->setRowCount(count + 1);
    for (int r = old; r <= count; ++r) {
        setCell(r, 0, QString::number(r));
        for (int c = 1; c < PlanColumn::Count; ++c)
            if (!LlibreNou->item(r, c))
                setCell(r, c, QString());
    }
}

bool TChannelPlan::cellApplies(int row, int column) const
{
    if (!isChannelRow(row))
        return true;
    return fieldApplies(rowRecord(row), column);
}

bool TChannelPlan::cellEditable(int row, int column) const
{
    return isChannelRow(row) && isTypedColumn(column) && cellApplies(row, column);
}

int TChannelPlan::operationRow() const
{
    return std::clamp(current_.y(), 1, std::max(1, channelCount_));
}

void TChannelPlan::repaintGrid()
{
    LlibreNou->viewport()->update();
}

QString TChannelPlan::planName() const
{
    return ChannelPlan->text().trimmed();
}

ChannelPlanFile TChannelPlan::plan() const
{
    ChannelPlanFile p;
    p.planName = planName();
    p.channelCount = channelCount_;
    for (int r = 1; r <= channelCount_; ++r)
        p.channels << rowRecord(r);
    return p;
}

// --- opening -------------------------------------------------------------------------------

void TChannelPlan::newPlan()
{
    path_.clear();
    hasFile_ = false;
    setWindowTitle(kEditorCaption);
    LlibreNou->setRowCount(1);
    setChannelRows(1);
    setRowTexts(1, ClipboardRow);
    ChannelPlan->setText(QStringLiteral("--"));
    dirty_ = false;
    current_ = QPoint(-1, -1);
    undoKind_ = UndoKind::None;
}

bool TChannelPlan::loadPlan(const QString &path)
{
    ChannelPlanFile p;
    const int result = readPlanFile(path, p);
    if (result < 0) {
        newPlan();
        ShowErrorCode(result, this);
        return false;
    }
    path_ = path;
    hasFile_ = true;
    setWindowTitle(path);
    LlibreNou->setRowCount(1);
    setChannelRows(p.channelCount);
    for (int r = 1; r <= p.channelCount; ++r)
        setRowTexts(r, p.channels.at(r - 1).columnTexts());
    ChannelPlan->setText(p.planName);
    dirty_ = false;
    current_ = QPoint(-1, -1);
    undoKind_ = UndoKind::None;
    return true;
}

void TChannelPlan::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    dirty_ = false;
    for (QToolButton *b : {InsertChannel, DeleteChannel, CopyChannel, PasteChannel, UndoChannel})
        b->setEnabled(false);
    Label1->setText(StringTable::text(77 /* "CHANNEL PLAN NAME" */));
    const struct {
        QToolButton *button;
        int row;
    } hints[] = {{InsertChannel, 196 /* "Insert" */}, {DeleteChannel, 197 /* "Delete" */},
                 {CopyChannel, 200 /* "Copy" */},     {PasteChannel, 201 /* "Paste" */},
                 {UndoChannel, 202 /* "Undo" */},     {SaveChannelPlan, 91 /* "Save As..." */}};
    for (const auto &h : hints) {
        h.button->setText(StringTable::text(h.row));
        h.button->setToolTip(StringTable::text(h.row));
    }
    LlibreNou->setFocus();
}

bool TChannelPlan::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ChannelPlan) {
        if (event->type() == QEvent::FocusIn)
            dirty_ = true;   // entering the name field counts as a change
        if (event->type() == QEvent::KeyPress) {
            // The name takes letters and digits only.
            const QString t = static_cast<QKeyEvent *>(event)->text();
            if (t.size() == 1 && t.at(0).isPrint() && !(t.at(0).unicode() < 128 && t.at(0).isLetterOrNumber()))
                return true;
        }
        if (event->type() == QEvent::InputMethod)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- mouse and keys ------------------------------------------------------------------------

QMenu *TChannelPlan::LlibreNouMouseDown(const QPoint &pos)
{
    const QModelIndex index = LlibreNou->indexAt(pos);
    if (!index.isValid())
        return nullptr;
    const int row = index.row();
    const int column = index.column();
    current_ = QPoint(column, row);
    dirty_ = true;   // any press on a cell counts as a change

    if (!isChannelRow(row) || !cellApplies(row, column))
        return nullptr;
    const bool menuColumn =
        column == PlanColumn::Annex || column == PlanColumn::Modulation || column == PlanColumn::System;
    if (lastPressed_ != current_ || !menuColumn) {
        lastPressed_ = current_;
        return nullptr;
    }
    lastPressed_ = QPoint(0, 0);
    menuTarget_ = current_;
    if (column == PlanColumn::Annex)
        return Annex;
    if (column == PlanColumn::Modulation) {
        prepareModulationMenu(row);
        return Modulacio;
    }
    return System;
}

void TChannelPlan::prepareModulationMenu(int row)
{
    // Annex B carries 64- and 256-QAM only.
    const bool annexB = cell(row, PlanColumn::Annex) == QLatin1String("B");
    for (QAction *a : Modulacio->actions()) {
        const bool always = a->text() == QLatin1String("QAM64") || a->text() == QLatin1String("QAM256");
        a->setEnabled(always || !annexB);
    }
}

void TChannelPlan::LlibreNouClick(const QPoint &pos)
{
    const QModelIndex index = LlibreNou->indexAt(pos);
    const bool belowLastRow = !index.isValid() && pos.y() >= 0
                              && pos.y() > LlibreNou->visualRect(LlibreNou->model()->index(channelCount_, 0)).bottom();
    if ((index.isValid() && index.row() == 0) || belowLastRow)
        for (QToolButton *b : {CopyChannel, DeleteChannel, InsertChannel, PasteChannel, UndoChannel})
            b->setEnabled(false);
    // A failed check of the cell that was being edited ends the click there.
    if (checkFailed_) {
        checkFailed_ = false;
        repaintGrid();
        return;
    }
    if (!index.isValid())
        return;
    current_ = QPoint(index.column(), index.row());
    if (isChannelRow(index.row()))
        for (QToolButton *b : {InsertChannel, DeleteChannel, CopyChannel})
            b->setEnabled(true);

    if (lastClicked_ != current_) {
        lastClicked_ = current_;
    } else {
        // Two clicks in a row on the same cell toggle the status or the mode.
        lastClicked_ = QPoint(0, 0);
        const int row = current_.y();
        if (isChannelRow(row) && current_.x() == PlanColumn::Status) {
            setCell(row, PlanColumn::Status,
                    cell(row, PlanColumn::Status) == QLatin1String("ON") ? QStringLiteral("OFF")
                                                                         : QStringLiteral("ON"));
            dirty_ = true;
        } else if (isChannelRow(row) && current_.x() == PlanColumn::Mode) {
            setCell(row, PlanColumn::Mode,
                    cell(row, PlanColumn::Mode) == QLatin1String("DIGITAL") ? QStringLiteral("ANALOG")
                                                                            : QStringLiteral("DIGITAL"));
            dirty_ = true;
        }
    }
    repaintGrid();
}

bool TChannelPlan::LlibreNouKeyPress(int column, const QString &text) const
{
    if (text.size() != 1 || !text.at(0).isPrint())
        return true;   // Backspace, Enter, navigation and other non-characters pass
    const char16_t c = text.at(0).unicode();
    const bool digit = c >= '0' && c <= '9';
    switch (column) {
        case PlanColumn::Name:
            return digit || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '.' || c == '_'
                   || c == ' ';
        case PlanColumn::AnalogFrequency:
        case PlanColumn::DigitalFrequency:
        case PlanColumn::Offset:
        case PlanColumn::Bandwidth: return digit || c == '.';
        case PlanColumn::SymbolRate: return digit;
        default: return true;
    }
}

void TChannelPlan::LlibreNouGetEditText(int row, int column)
{
    if (current_.x() < 0)
        current_ = QPoint(column, row);
    editPrevious_ = cell(row, column);
    editedText_.clear();
    editing_ = true;
    enterPressed_ = false;
}

void TChannelPlan::LlibreNouSetEditText(const QString &text)
{
    editedText_ = text;
}

void TChannelPlan::commitEdit(int row, int column, const QString &text, bool viaEnter)
{
    if (!editing_)
        return;
    editing_ = false;
    // Leaving a cell without having typed in it changes nothing; Enter always checks.
    if (!viaEnter && text == editPrevious_)
        return;
    const std::optional<CheckKind> kind = checkKindOfColumn(column);
    if (!kind) {
        setCell(row, column, text);
        dirty_ = true;
        return;
    }
    if (const int code = validateField(text, *kind)) {
        setCell(row, column, editPrevious_);
        checkFailed_ = !viaEnter;   // a click that ended the editing goes no further
        // Shown once the in-place editor has gone, not from inside its event handling.
        QTimer::singleShot(0, this, [this, code] { ShowErrorCode(code, this); });
        repaintGrid();
        return;
    }
    setCell(row, column, formatField(text, *kind));
    dirty_ = true;   // also for changes made with the keyboard alone

    // The two frequencies stay tied through the bandwidth.
    const QString bandwidth = cell(row, PlanColumn::Bandwidth);
    auto derive = [&](int from, int to, FrequencyDirection direction) {
        const QString other = companionFrequency(cell(row, from), bandwidth, direction);
        if (!other.isEmpty())
            setCell(row, to, other);
    };
    const auto analogFromDigital = [&] {
        derive(PlanColumn::DigitalFrequency, PlanColumn::AnalogFrequency, FrequencyDirection::DigitalToAnalog);
    };
    const auto digitalFromAnalog = [&] {
        derive(PlanColumn::AnalogFrequency, PlanColumn::DigitalFrequency, FrequencyDirection::AnalogToDigital);
    };
    if (column == PlanColumn::AnalogFrequency)
        digitalFromAnalog();
    else if (column == PlanColumn::DigitalFrequency)
        analogFromDigital();
    else if (column == PlanColumn::Bandwidth) {
        if (cell(row, PlanColumn::Mode) == QLatin1String("DIGITAL"))
            analogFromDigital();
        else
            digitalFromAnalog();
    }
    repaintGrid();
}

void TChannelPlan::menuChosen(int column, const QString &text)
{
    const int row = menuTarget_.y();
    if (!isChannelRow(row) || menuTarget_.x() != column)
        return;
    setCell(row, column, text);
    if (column == PlanColumn::Annex && text == QLatin1String("B"))
        setCell(row, PlanColumn::SymbolRate, QStringLiteral("5057"));
    dirty_ = true;
    repaintGrid();
}

// --- row operations ------------------------------------------------------------------------

void TChannelPlan::InsertChannelClick()
{
    finishEditing();
    if (channelCount_ >= kMaxChannels) {
        prompts().message(this, StringTable::text(51 /* "Warning" */),
                          StringTable::text(57 /* "Unable to Insert New Channel" */), Prompter::Icon::Warning);
        return;
    }
    dirty_ = true;
    const int row = operationRow();
    setChannelRows(channelCount_ + 1);
    for (int r = channelCount_; r > row + 1; --r)
        setRowTexts(r, rowTexts(r - 1));
    ClipboardRow = rowTexts(row);
    ClipboardRow[0] = QStringLiteral("--");
    setRowTexts(row + 1, ClipboardRow);
    undoRowNumber_ = row;
    undoKind_ = UndoKind::Insert;
    UndoChannel->setEnabled(true);
    repaintGrid();
}

void TChannelPlan::DeleteChannelClick()
{
    finishEditing();
    dirty_ = true;
    if (channelCount_ <= 1)
        return;   // a plan keeps at least one channel
    const int row = operationRow();
    UndoRow = rowTexts(row);
    undoRowNumber_ = row;
    undoKind_ = UndoKind::Delete;
    UndoChannel->setEnabled(true);
    for (int r = row; r < channelCount_; ++r)
        setRowTexts(r, rowTexts(r + 1));
    setChannelRows(channelCount_ - 1);
    repaintGrid();
}

void TChannelPlan::CopyChannelClick()
{
    finishEditing();
    ClipboardRow = rowTexts(operationRow());
    ClipboardRow[0] = QStringLiteral("--");
    PasteChannel->setEnabled(true);
}

void TChannelPlan::PasteChannelClick()
{
    finishEditing();
    dirty_ = true;
    const int row = operationRow();
    UndoRow = rowTexts(row);
    undoRowNumber_ = row;
    undoKind_ = UndoKind::Paste;
    UndoChannel->setEnabled(true);
    setRowTexts(row, ClipboardRow);
    repaintGrid();
}

void TChannelPlan::UndoChannelClick()
{
    finishEditing();
    dirty_ = true;
    const int row = undoRowNumber_;
    switch (undoKind_) {
        case UndoKind::Paste:
            if (isChannelRow(row))
                setRowTexts(row, UndoRow);
            break;
        case UndoKind::Delete:
            if (row >= 1 && row <= channelCount_ + 1 && channelCount_ < kMaxChannels) {
                setChannelRows(channelCount_ + 1);
                for (int r = channelCount_; r > row; --r)
                    setRowTexts(r, rowTexts(r - 1));
                setRowTexts(row, UndoRow);
            }
            break;
        case UndoKind::Insert:
            if (row >= 1 && row < channelCount_) {
                for (int r = row + 1; r < channelCount_; ++r)
                    setRowTexts(r, rowTexts(r + 1));
                setChannelRows(channelCount_ - 1);
            }
            break;
        case UndoKind::None: break;
    }
    undoKind_ = UndoKind::None;   // one level only
    UndoChannel->setEnabled(false);
    repaintGrid();
}

// --- saving and closing --------------------------------------------------------------------

bool TChannelPlan::writeTo(const QString &path)
{
    const int result = writePlanFile(path, plan());
    if (result < 0) {
        ShowErrorCode(result, this);
        return false;
    }
    Q_EMIT planSaved(path);
    return true;
}

QString TChannelPlan::askSavePath()
{
    const QString suggested = hasFile_ ? path_ : app().libraryFolder + QLatin1Char('/');
    // The dialog adds the extension itself, so that it asks about the file that will be written.
    return prompts().saveFile(this, StringTable::text(173 /* "Save a Channel Plan" */), suggested,
                              QStringLiteral("*.ch26"), QStringLiteral("ch26"));
}

void TChannelPlan::SaveChannelPlanClick()
{
    finishEditing();
    const QString chosen = askSavePath();
    if (chosen.isEmpty())
        return;
    // A plan that could not be written keeps its old file and stays unsaved.
    if (!writeTo(chosen))
        return;
    path_ = chosen;
    hasFile_ = true;
    dirty_ = false;
    setWindowTitle(path_);
}

bool TChannelPlan::FormCloseQuery()
{
    if (!dirty_)
        return true;
    const auto answer = prompts().message(this, kEditorCaption, QStringLiteral("Would you like save channel plan?"),
                                          Prompter::Icon::Question,
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes)
        return false;
    // The window only closes once the plan is safely written: a failed write or a cancelled
    // save dialog keeps it open with the changes.
    if (hasFile_)
        return writeTo(path_);
    const QString chosen = askSavePath();
    if (chosen.isEmpty() || !writeTo(chosen))
        return false;
    path_ = chosen;
    hasFile_ = true;
    dirty_ = false;
    return true;
}

void TChannelPlan::finishEditing()
{
    // The tool buttons take no focus, so a cell still being edited would otherwise be left
    // out of what they act on.
    static_cast<PlanGrid *>(LlibreNou)->finishEditing();
}

void TChannelPlan::reject()
{
    finishEditing();
    if (FormCloseQuery())
        QDialog::reject();
}

bool editChannelPlan(QWidget *parent, const QString &path)
{
    TChannelPlan editor(parent);
    if (!path.isEmpty() && !editor.loadPlan(path))
        return false;
    editor.exec();
    return true;
}
