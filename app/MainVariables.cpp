// The Variables tab: the list of the user's variables, their names and
// values, New and Del, and the lookups Type It In makes in them.
#include "Main.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QValidator>

#include <algorithm>

#include "ItemListModel.h"
#include "Layout.h"
#include "MainWidgets.h"
#include "Tii.h"

namespace kelpo {

namespace {

const QString HelpText = QStringLiteral(
    "Variables can help you simplify the Type function. Just click on a Variable in the list on the left, and "
    "change the value. For example, click on {email} and change the value to your email address. The next time you "
    "want to use your email address in the Type function, just type {email} and Kelpo will automatically insert "
    "your email address. This function is especially handy when you want to exchange Kelpo Data Files with other "
    "people. If you use variables, you will never give away any personal information.");

// A text fit for one "name=value" line of the variables file: each line
// break (CR LF, CR or LF, as pasted text brings them) becomes a blank and
// NUL characters go, so a value can never split its line or end the file
// early. In a name "=" goes as well, because a name ends at the first "=".
QString OneLine(const QString &text, bool isName)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QChar(0) || (isName && c == QLatin1Char('=')))
            continue;
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue;  // the LF makes the blank
        out.append(c == QLatin1Char('\r') || c == QLatin1Char('\n') ? QChar(QLatin1Char(' ')) : c);
    }
    return out;
}

// Keeps what is typed or pasted into a variable's name or value to one line.
class VarLineValidator : public QValidator {
public:
    VarLineValidator(bool isName, QObject *parent) : QValidator(parent), isName_(isName) {}

    State validate(QString &input, int &pos) const override
    {
        const QString fixed = OneLine(input, isName_);
        if (fixed != input) {
            pos = int(OneLine(input.left(pos), isName_).size());
            input = fixed;
        }
        return Acceptable;
    }

private:
    bool isName_;
};

QString LineValue(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}

}  // namespace

void TMainForm::CreateVarTab()
{
    QWidget *tab = VarTab;
    Variables = new QListWidget(tab);
    Variables->setObjectName(QStringLiteral("Variables"));
    Variables->setSelectionMode(QAbstractItemView::SingleSelection);
    Label12 = LabelFor(QStringLiteral("Variables:"), Variables, tab);

    VarHelp = new QPlainTextEdit(tab);
    VarHelp->setObjectName(QStringLiteral("VarHelp"));
    VarHelp->setReadOnly(true);
    VarHelp->setFrameShape(QFrame::NoFrame);
    VarHelp->setFocusPolicy(Qt::ClickFocus);  // readable and copyable, but not a stop for Tab
    // On the page's own background, so that it reads as part of the page.
    QPalette helpColours = VarHelp->palette();
    helpColours.setColor(QPalette::Base, Qt::transparent);
    VarHelp->setPalette(helpColours);
    VarHelp->setAccessibleName(QStringLiteral("About variables"));

    VarName = new QLineEdit(tab);
    VarName->setObjectName(QStringLiteral("VarName"));
    VarName->setValidator(new VarLineValidator(true, VarName));
    Label10 = LabelFor(QStringLiteral("Variable Name:"), VarName, tab);
    VarValue = new QLineEdit(tab);
    VarValue->setObjectName(QStringLiteral("VarValue"));
    VarValue->setValidator(new VarLineValidator(false, VarValue));
    Label11 = LabelFor(QStringLiteral("Value:"), VarValue, tab);

    VarNewButton = Button(QStringLiteral("New"), QStringLiteral("Add New Variable"), tab);
    VarNewButton->setObjectName(QStringLiteral("VarNewButton"));
    VarDelButton = Button(QStringLiteral("Del"), QStringLiteral("Delete Selected Variable"), tab);
    VarDelButton->setObjectName(QStringLiteral("VarDelButton"));

    connect(Variables, &QListWidget::currentRowChanged, this, &TMainForm::VariablesClick);
    // The list always shows its current entry as selected: a Ctrl+click
    // cannot leave the editors working on an entry that looks unselected.
    connect(Variables, &QListWidget::itemSelectionChanged, this, [this] {
        if (QListWidgetItem *current = Variables->currentItem(); current && !current->isSelected())
            current->setSelected(true);
    });
    connect(VarName, &QLineEdit::textChanged, this, &TMainForm::VarNameChange);
    connect(VarValue, &QLineEdit::textChanged, this, &TMainForm::VarValueChange);
    connect(VarNewButton, &QPushButton::clicked, this, &TMainForm::VarNewButtonClick);
    connect(VarDelButton, &QPushButton::clicked, this, &TMainForm::VarDelButtonClick);
}

void TMainForm::PlaceVarTab(const MainLayout &o)
{
    PlaceLabel(Label12, o.Label12, o.Variables.width());
    Variables->setGeometry(o.Variables);
    QRect help = o.VarHelp;
    help.setHeight(std::max(0, help.height()));
    VarHelp->setGeometry(help);
    PlaceLabel(Label10, o.Label10, o.VarName.width());
    VarName->setGeometry(o.VarName);
    PlaceLabel(Label11, o.Label11, o.VarValue.width());
    VarValue->setGeometry(o.VarValue);
    VarNewButton->setGeometry(o.VarNewButton);
    VarDelButton->setGeometry(o.VarDelButton);
}

void TMainForm::FillVarHelp()
{
    VarHelp->setPlainText(HelpText);
}

// Lists the names of VarStore's lines sorted (a line without "=" gives an
// empty entry), selects the first and shows it.
void TMainForm::LoadVariableList()
{
    struct Entry {
        QString name;
        int line;  // -1: a line without "=", which no entry edits
    };
    std::vector<Entry> entries;
    varLineIds_.clear();
    if (VarStore) {
        const QStringList &lines = VarStore->Lines;
        varLineIds_.fill(0, lines.size());
        entries.reserve(size_t(lines.size()));
        for (int i = 0; i < lines.size(); ++i)
            entries.push_back({VarStore::NameOf(lines[i]), lines[i].contains(QLatin1Char('=')) ? i : -1});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return NameBefore(a.name, b.name); });
    {
        const QSignalBlocker quiet(Variables);
        Variables->clear();
        for (const Entry &e : entries) {
            auto *item = new QListWidgetItem(e.name, Variables);
            if (e.line >= 0)
                TieVarLine(item, e.line);
        }
        if (Variables->count() > 0)
            Variables->setCurrentRow(0);
    }
    VariablesClick();
}

bool TMainForm::InVars(const QString &name) const
{
    return !Variables->findItems(name, Qt::MatchFixedString).isEmpty();
}

QString TMainForm::VariableValue(const QString &name) const
{
    return VarStore ? VarStore->Value(name) : QString();
}

QStringList TMainForm::VariableNames() const
{
    QStringList names;
    names.reserve(Variables->count());
    for (int row = 0; row < Variables->count(); ++row)
        names.append(Variables->item(row)->text());
    return names;
}

void TMainForm::TieVarLine(QListWidgetItem *item, int line)
{
    const quint64 id = ++lastVarLineId_;
    varLineIds_[line] = id;
    item->setData(Qt::UserRole, id);
}

// The index of the VarStore line an entry edits; -1 when it has none (its
// value was cleared, or its line has no "=").
// Without an entry it only brings the ties up to date.
int TMainForm::VarLineOf(const QListWidgetItem *item)
{
    if (!VarStore)
        return -1;
    if (varLineIds_.size() != VarStore->Lines.size()) {
        // The lines were changed behind the list's back: tie each entry to
        // the first free line of its name again.
        const QStringList &lines = VarStore->Lines;
        varLineIds_.fill(0, lines.size());
        QHash<QString, QList<int>> freeLines;
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].contains(QLatin1Char('=')))
                freeLines[VarStore::NameOf(lines[i]).toCaseFolded()].append(i);
        for (int row = 0; row < Variables->count(); ++row) {
            QListWidgetItem *entry = Variables->item(row);
            QList<int> &candidates = freeLines[entry->text().toCaseFolded()];
            if (candidates.isEmpty())
                entry->setData(Qt::UserRole, QVariant());
            else
                TieVarLine(entry, candidates.takeFirst());
        }
    }
    if (!item)
        return -1;
    const quint64 id = item->data(Qt::UserRole).toULongLong();
    return id == 0 ? -1 : int(varLineIds_.indexOf(id));
}

int TMainForm::AppendVarLine(const QString &line)
{
    VarLineOf(nullptr);
    VarStore->Lines.append(line);
    varLineIds_.append(0);
    return int(VarStore->Lines.size()) - 1;
}

void TMainForm::RemoveVarLine(int line)
{
    VarStore->Lines.removeAt(line);
    varLineIds_.removeAt(line);
}

void TMainForm::InsertVariable(QListWidgetItem *item)
{
    // After the entries it does not sort before, as a sorted list box adds.
    int row = 0;
    while (row < Variables->count() && !NameBefore(item->text(), Variables->item(row)->text()))
        ++row;
    Variables->insertItem(row, item);
}

void TMainForm::RefillTiiVarList()
{
    if (tiiForm_)
        tiiForm_->SetVariableNames(VariableNames());
}

// Shows the selected entry's name and value. With no entry selected the
// editors and Del are off, so nothing typed there can go astray.
void TMainForm::VariablesClick()
{
    QListWidgetItem *item = Variables->currentItem();
    const int line = VarLineOf(item);
    {
        // The program's own texts are no edits: a value that shows empty
        // must not remove its line just by being looked at.
        const QScopedValueRollback<bool> showing(showingVar_, true);
        VarName->setText(item ? item->text() : QString());
        VarValue->setText(line >= 0 ? LineValue(VarStore->Lines[line]) : QString());
    }
    VarName->setEnabled(item != nullptr);
    VarValue->setEnabled(item != nullptr);
    VarDelButton->setEnabled(item != nullptr);
}

// Renames as the user types: the entry keeps its place until the next start.
void TMainForm::VarNameChange()
{
    QListWidgetItem *item = Variables->currentItem();
    if (showingVar_ || !item)
        return;
    const QString name = VarName->text();
    const int line = VarLineOf(item);
    if (line >= 0)
        VarStore->Lines[line] = name + QLatin1Char('=') + LineValue(VarStore->Lines[line]);
    item->setText(name);
}

// A value sets the entry's line (a new line at the end when it had none);
// an empty value removes the line, so the variable is gone after a restart.
void TMainForm::VarValueChange()
{
    QListWidgetItem *item = Variables->currentItem();
    if (showingVar_ || !item || !VarStore)
        return;
    const QString text = VarValue->text();
    const int line = VarLineOf(item);
    if (!text.isEmpty()) {
        const QString whole = item->text() + QLatin1Char('=') + text;
        if (line >= 0)
            VarStore->Lines[line] = whole;
        else
            TieVarLine(item, AppendVarLine(whole));
    } else if (line >= 0) {
        RemoveVarLine(line);
        item->setData(Qt::UserRole, QVariant());
    }
}

void TMainForm::VarNewButtonClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    QString name;
    if (VarStore && Dlg.Ask(QStringLiteral("New Variable"), QStringLiteral("Name of new variable: (No {})"), &name)) {
        name = OneLine(name, false);
        const QString braced = QLatin1Char('{') + name + QLatin1Char('}');
        if (name.contains(QLatin1Char('{')) || name.contains(QLatin1Char('}'))) {
            Dlg.Error(name + QStringLiteral("is not a valid variable name.\nPlease do not include {} characters."));
        } else if (name.contains(QLatin1Char('='))) {
            // A name ends at the first "=" in the file: it would not be found again.
            Dlg.Error(name + QStringLiteral("is not a valid variable name.\nPlease do not include = characters."));
        } else if (InVars(braced)) {
            Dlg.Error(name + QStringLiteral(" already exists."));
        } else {
            auto *item = new QListWidgetItem(braced);
            TieVarLine(item, AppendVarLine(braced + QStringLiteral("=Undefined")));
            {
                const QSignalBlocker quiet(Variables);
                InsertVariable(item);
                Variables->setCurrentItem(item);
            }
            VariablesClick();
        }
    }
    RefillTiiVarList();
    Variables->setFocus();
}

void TMainForm::VarDelButtonClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    QListWidgetItem *item = Variables->currentItem();
    if (item && Dlg.Confirm(QStringLiteral("Are you sure you want to delete the ") + item->text() +
                            QStringLiteral(" variable?"))) {
        const int line = VarLineOf(item);
        if (line >= 0)
            RemoveVarLine(line);
        {
            const QSignalBlocker quiet(Variables);
            delete item;
            Variables->setCurrentRow(Variables->count() > 0 ? 0 : -1);
        }
        VariablesClick();
    }
    RefillTiiVarList();
    Variables->setFocus();
}

}  // namespace kelpo
