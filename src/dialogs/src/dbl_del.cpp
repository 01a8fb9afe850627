#include "tesmora/dialogs/dbl_del.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>

#include "tesmora/dialogs/dialog_art.h"
#include "tesmora/ops/duplicates.h"
#include "tesmora/ops/operations.h"

namespace tesmora::desktop {
namespace {

constexpr int kModeIds[4] = {1003, 1005, 1013, 1008};
const char* const kModeTexts[4] = {
    "重複レコード\n２件目以降削除 (&1)",
    "重複レコード\n完全削除 (&2)",
    "重複レコード\n１件目のみ残す (&3)",
    "重複レコード\nのみ残す (&4)",
};

}  // namespace

CDblDel::CDblDel(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("重複レコードの処理"), parent) {
    const DuplicateRequest settings = LoadDuplicateSettings(doc_.Settings());
    AddFieldRow(QStringLiteral("1 重複対照フィールド："), settings.key_field.value);

    Body()->addWidget(new QLabel(QStringLiteral("2 処理方法："), this));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    auto* group = new QButtonGroup(this);
    for (int m = 0; m < 4; ++m) {
        auto* button = new QRadioButton(QString::fromUtf8(kModeTexts[m]), this);
        button->setObjectName(ControlName(kModeIds[m]));
        group->addButton(button, m);
        modes_[static_cast<std::size_t>(m)] = button;
        auto* picture = new QLabel(this);
        picture->setPixmap(DuplicateModePixmap(m));
        grid->addWidget(button, 0, m, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(picture, 1, m, Qt::AlignHCenter | Qt::AlignTop);
    }
    auto* modes = new QHBoxLayout;
    modes->addSpacing(12);
    modes->addLayout(grid);
    modes->addStretch(1);
    Body()->addLayout(modes);

    auto* legend = new QHBoxLayout;
    legend->addSpacing(12);
    legend->addWidget(Marker(true));
    legend->addWidget(new QLabel(QStringLiteral("処理後、残るレコード"), this));
    legend->addSpacing(12);
    legend->addWidget(Marker(false));
    legend->addWidget(
        new QLabel(QStringLiteral("処理後、削除されるレコード　　※ 数字はレコード№"), this));
    legend->addStretch(1);
    Body()->addLayout(legend);

    spaces_ = new QCheckBox(QStringLiteral("3 重複判定時に空白を削除"), this);
    spaces_->setObjectName(ControlName(1024));
    spaces_->setLayoutDirection(Qt::RightToLeft);
    auto* space_row = new QHBoxLayout;
    space_row->addWidget(spaces_);
    space_row->addStretch(1);
    Body()->addLayout(space_row);

    // Bitmap 133: the reminder that the file must be sorted by the key field.
    auto* banner = new QLabel(
        QStringLiteral("※処理を正常に行うためには、対照フィールドでソートされていることが必要"),
        this);
    banner->setStyleSheet(
        QStringLiteral("QLabel { background: #ffff80; color: #e00000; font-weight: bold;"
                       " border: 1px solid #d0c000; padding: 4px; }"));
    Body()->addWidget(banner);

    const int mode = static_cast<int>(settings.mode);
    modes_[static_cast<std::size_t>(mode >= 0 && mode < 4 ? mode : 0)]->setChecked(true);
    spaces_->setChecked(settings.remove_spaces);
    FinishLayout();
}

int CDblDel::Mode() const {
    for (int m = 3; m > 0; --m)
        if (modes_[static_cast<std::size_t>(m)]->isChecked()) return m;
    return 0;
}

DuplicateRequest CDblDel::Request() const {
    DuplicateRequest r;
    r.key_field = FieldIndex{FieldBox()->value()};
    r.mode = static_cast<DuplicateMode>(Mode());
    r.remove_spaces = spaces_->isChecked();
    return r;
}

bool CDblDel::OnOK() {
    const DuplicateRequest r = Request();
    StoreDuplicateSettings(doc_.Settings(), r);
    return RunStep(doc_, r);
}

QString CDblDel::Explanation() const {
    return QStringLiteral(
        "　重複対照フィールドでソートされた全レコードを調査して、そのフィールドで重複するレコードを"
        "削除します\r\n\r\n"
        "1 重複対照フィールド：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 処理方法：\r\n"
        "(1) 重複レコード２件目以降削除\r\n"
        "　　重複なしレコードと最初の重複レコードを残し、重複レコードは２件目以降を削除します\r\n\r"
        "\n"
        "(2) 重複レコード完全削除\r\n"
        "　　重複なしレコードのみを残し、重複レコードは完全に削除します\r\n\r\n"
        "(3) 重複レコードの１件目のみ残す\r\n"
        "　　重複レコードの１件目のみを残し、重複なしレコードと２件目以降の重複レコードを削除します"
        "\r\n\r\n"
        "(4) 重複レコードのみ残す\r\n"
        "　　重複レコードのみを残し、重複なしレコードを削除します\r\n\r\n"
        "3 重複判定時に空白を削除\r\n"
        "　チェックがあった場合は、重複判定時に重複対照フィールド内の空白を削除します\r\n\r\n"
        "※ "
        "この処理の前に、ファイルは重複対照フィールドでソートされている必要がありますので、ご注意く"
        "ださい\r\n");
}

}  // namespace tesmora::desktop
