#include "editing/forminput.h"

#include "app/errorhandler.h"
#include "app/principale.h"
#include "data/query.h"
#include "views/cardview.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kLabelLeft = 16;
constexpr int kLabelTop = 48;
constexpr int kEditorLeft = 133;
constexpr int kEditorTop = 45;
constexpr int kEditorHeight = 21;
constexpr int kRowStep = 32;

} // namespace

FormInput::FormInput(Principale *main) : QWidget(nullptr, Qt::Tool), main_(main)
{
    setObjectName(QStringLiteral("FormInput"));
    setWindowTitle(QStringLiteral("Inserimento"));

    Label8 = new QLabel(QStringLiteral("Maschera di inserimento"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(13);
    heading.setBold(true);
    Label8->setFont(heading);
    Label8->move(kLabelLeft, 12);

    for (int k = 0; k < kPairs; ++k) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("DBText%1").arg(k + 1));
        label->setGeometry(kLabelLeft, kLabelTop + kRowStep * k, 110, 17);
        label->hide();
        DBText[size_t(k)] = label;
        auto *editor = new QLineEdit(this);
        editor->setObjectName(QStringLiteral("DBEdit%1").arg(k + 1));
        editor->setGeometry(kEditorLeft, kEditorTop + kRowStep * k, pairs_[size_t(k)].editorWidth, kEditorHeight);
        editor->hide();
        DBEdit[size_t(k)] = editor;
    }

    Button1 = new QPushButton(QStringLiteral("Inserisci"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->hide();
    DateTimePicker1 = new QDateEdit(QDate::currentDate(), this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DateTimePicker1->hide();

    // Editing: insertion, in-place editors, deletion and totals.
    setUpEditing();

    // Registered only once complete, so that the main window never holds a sheet that
    // failed half-way through its making.
    main_->setInputSheet(this);
    main_->globals().inputSheetPending = false;
}

void FormInput::UnbindInputSheetEditors()
{
    ColumnSetup::unbindPairs(pairs_);
    mirrorPairs();
}

void FormInput::mirrorPairs()
{
    for (int k = 0; k < kPairs; ++k) {
        const CardPair &pair = pairs_[size_t(k)];
        DBText[size_t(k)]->setText(pair.labelText);
        DBText[size_t(k)]->setVisible(pair.visible);
        DBEdit[size_t(k)]->resize(pair.editorWidth, kEditorHeight);
        DBEdit[size_t(k)]->setVisible(pair.visible);
        if (pair.boundField.isEmpty())
            DBEdit[size_t(k)]->clear();
    }
}

void FormInput::closeEvent(QCloseEvent *event)
{
    DateTimePicker1->hide();
    // A row that was not saved is dropped: nothing of it reaches the database.
    ErrorHandler::guard([this] {
        if (main_->query()->state() == Query::State::Insert)
            main_->query()->cancel();
    });
    pending_.fill(false);
    main_->setEnabled(true);
    event->accept();
}

void FormInput::OpenInputSheetEditor(int pair)
{
    if (pair < 1 || pair > kPairs)
        return;
    CardView::openInputSheetEditor(DBEdit[size_t(pair - 1)], pairs_[size_t(pair - 1)].boundField, ComboBox1,
                                   DateTimePicker1, &main_->globals().dateFieldSelector);
}
