#include "gui/widgets/colour_list.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <stdexcept>

#include "gui/common/gui_util.h"
#include "gui/common/sjis.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/rich_edit_ex.h"
#include "view/css_colors.h"

namespace kaplo::gui {

namespace {

constexpr std::array<ColourListRow, 4> kRows{{
    {"ListBoxListBoxPGMainTab03LocalLeftTab02TotalCSSSColorList", "sbocalCSSJSSearchColoList",
     "sbsbocalCSSJSSearchColoListClear", "CheckBoxLocalTotalCSSColorDupIgnore",
     "CheckBoxDontCheckBoxLocalTotalCSSColor", "EditLocalTotalCSS", false},
    {"ListBoxListBoxPGMainTab03LocalLeftTab02IndivCSSSColorList",
     "sbLocalCSSIndivSearchColorList", "sbLocalCSSIndivSearchColorListClear",
     "CheckBoxLocalIndivlCSSColorDupIgnore", "CheckBoxDontCheckBoxLocalIndivCSSColor",
     "EditLocalIndivCSSSearch", true},
    {"ListBoxGUICSSColor", "sbGUICSSGetColorList", nullptr, "CheckBoxGUICSSColorDupIgnore", nullptr,
     nullptr, false},
    // Shares its sorted-mode box with the list above; the analysis tab owns both.
    {"ListBoxGUIIndivCSSColor", "sbGUIIndivGetColorList", nullptr, "CheckBoxGUICSSColorDupIgnore",
     nullptr, nullptr, false},
}};

QColor Bgr(std::int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

std::span<const ColourListRow> ColourListRows() { return kRows; }

const ColourListRow& ColourListRowOf(std::string_view list) {
  for (const ColourListRow& row : kRows) {
    if (list == row.list) return row;
  }
  throw std::out_of_range("no colour list " + std::string(list));
}

void ColourEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  const std::string entry = SjisFromQs(text);
  const CssColorPaint paint = PaintCssColorEntry(entry);
  if (!paint.draw) return;
  const QColor background = Bgr(paint.background);
  QRect rect = option.rect;
  if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget)) {
    rect.setLeft(0);
    rect.setWidth(std::max(rect.width(), view->viewport()->width()));
  }
  painter->save();
  painter->fillRect(rect, background);
  painter->setPen(Bgr(paint.text));
  painter->setFont(option.font);
  painter->drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
  painter->restore();
}

ColourListPanel::ColourListPanel(const ColourListRow& row, KeywordBar* bar, QWidget* parent,
                                 QCheckBox* sorted)
    : QWidget(parent), row_(row), bar_(bar), sorted_(sorted) {
  setObjectName(L(row.list) + QStringLiteral("Panel"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  auto* create = new QPushButton(U("ｶﾗｰﾘｽﾄの作成"), this);
  create->setObjectName(L(row.create));
  column->addWidget(create);
  connect(create, &QPushButton::clicked, this, &ColourListPanel::Create);
  if (row.clear) {
    auto* clear = new QPushButton(U("クリア"), this);
    clear->setObjectName(L(row.clear));
    column->addWidget(clear);
    connect(clear, &QPushButton::clicked, this, &ColourListPanel::Clear);
  }
  if (!sorted_) {
    sorted_ = new QCheckBox(U("重複を除去し、昇順にリストする"), this);
    sorted_->setObjectName(L(row.sorted));
    column->addWidget(sorted_);
  }
  if (row.dont_create) {
    dont_create_ = new QCheckBox(U("ｶﾗｰﾘｽﾄを作成しない"), this);
    dont_create_->setObjectName(L(row.dont_create));
    column->addWidget(dont_create_);
  }
  if (row.colour_edit) {
    colour_edit_ = new QLineEdit(this);
    colour_edit_->setObjectName(L(row.colour_edit));
    column->addWidget(colour_edit_);
  }
  list_ = new QListWidget(this);
  list_->setObjectName(L(row.list));
  list_->setUniformItemSizes(true);
  // Values are padded with blanks to line up: a fixed-pitch font keeps them so.
  list_->setFont(QFont(QStringLiteral("Noto Sans Mono CJK JP")));
  list_->setItemDelegate(new ColourEntryDelegate(list_));
  column->addWidget(list_, 1);
  setFixedWidth(200);
  connect(list_, &QListWidget::itemClicked, this, &ColourListPanel::ClickEntry);
}

void ColourListPanel::Create() {
  list_->clear();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::vector<std::string> entries =
      CreateCssColorList(bar_->View()->SjisText(), sorted_->isChecked());
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(entries.size()));
  for (const std::string& e : entries) texts << QsFromSjis(e);
  list_->addItems(texts);
  QApplication::restoreOverrideCursor();
}

void ColourListPanel::Clear() {
  bar_->ClearResults();
  list_->clear();
  if (row_.clear_empties_inputs) {
    if (colour_edit_) colour_edit_->clear();
    bar_->Input()->setEditText(QString());
  }
}

void ColourListPanel::Loaded() {
  if (dont_create_ && dont_create_->isChecked()) return;
  Create();
}

void ColourListPanel::ClickEntry() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (!selected.isEmpty()) {
    if (const auto click = ClickCssColorEntry(SjisFromQs(selected.front()->text()))) {
      if (colour_edit_) colour_edit_->setText(QsFromSjis(click->color));
      bar_->Input()->setEditText(QsFromSjis(click->keywords));
    }
  }
  bar_->Search();
}

}  // namespace kaplo::gui
