// The local page tab's file panes: open and go, the combined file's
// question, the colour lists after a load, and the saves.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <fstream>

#include "engine/local_path.h"
#include "engine/url.h"
#include "gui/common/gui_util.h"
#include "gui/common/save_notice.h"
#include "gui/tabs/local_page/local_page_files.h"
#include "gui/tabs/local_page/local_page_tab.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/colour_list.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "text/charset.h"
#include "text/normalise.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {

namespace {

using FP = LocalPageTab::FilePane;

constexpr const char* kCombinedQuestion =
    "統合ﾌｧｲﾙの読み込みには時間がかかりますので、\r\n\r\n必要な場合のみｸﾘｯｸしてください。続けますか（はい）？";

}  // namespace

const LocalPageTab::FilePaneSpec& LocalPageTab::SpecOf(FilePane pane) {
  static const std::array<FilePaneSpec, 6> kPanes{{
      {FP::TotalCssJs, "BtnEditLocalFileTotalCSSJS", "sbLocalCSSJSTotalFile", "sbLocalCSSJSGo",
       "OpenDialogAllText", "OpenDialogTextFile", "RichEditPGMainTab03LocalLeftTab02TotalCSSJS",
       "ComboBoxDLTotalFCSSJSSearch", "ListBoxListBoxPGMainTab03LocalLeftTab02TotalCSSSColorList",
       false, false, 40, 60, true, "sbLocalCSSJSBack", nullptr},
      {FP::CssJsList, "BtnEditLocalFileCSSJSList", "sbConfirmLocaCSSJSListOpenFile",
       "sbConfirmLocaCSSJSListOpenFileGo", "OpenDialogTextFile", "OpenDialogTextFile",
       "RichEditPGMainTab03LocalLeftTab03FileList", nullptr, nullptr, false, false, 20, 0, false,
       nullptr, nullptr},
      {FP::ImageList, "BtnEditLocalFileImageList", "sbConfirmLocalFileImageListOpenFile",
       "sbConfirmLocalFileImageListOpenFileGo", "OpenDialogTextFile", "OpenDialogTextFile",
       "RichEditPGMainTab03LocalLeftTab04ImageList", nullptr, nullptr, false, false, 0, 40, false,
       nullptr, nullptr},
      {FP::IndivCss, "BtnEditLocalFileIndivCSS", "sbLocalCSSIndivOpenFile",
       "sbLocalCSSIndivOpenFileGo", "OpenDialogCSS", "OpenDialogCSS",
       "RichEditPGMainTab03LocalLeftTab07IndivCSS", "ComboBoxLocalIndivCSSSearch",
       "ListBoxListBoxPGMainTab03LocalLeftTab02IndivCSSSColorList", true, false, 40, 40, false,
       nullptr, nullptr},
      {FP::IndivJs, "BtnEditLocalFileIndivJS", "sbLocalJSIndivOpenFile", "sbLocalJSIndivOpenFileGo",
       "OpenDialogJS", "OpenDialogJS", "RichEditPGMainTab03LocalLeftTab08IndivJS",
       "ComboBoxLocalIndivJSSearch", nullptr, true, true, 40, 40, false, nullptr, nullptr},
      {FP::Ref, "BtnEditLocalFileRef", "sbLocalRefOpenFile", "sbLocalRefOpenFileGo",
       "OpenDialogTextFile", "OpenDialogTextFile", "RichEditPGMainTab03LocalRightTab04Ref",
       "ComboBoxLocalRefSearch", nullptr, true, true, 40, 40, false, "sbLocalRefSave", nullptr},
  }};
  return kPanes[static_cast<std::size_t>(pane)];
}

void LocalPageTab::LoadInto(TRichEditEx* view, const std::string& file, int code) {
  ResetViewColors(view);
  if (!IsFile(file)) {
    view->clear();
    return;
  }
  const std::string text = LoadTextFile(file);
  view->SetSjisText(code < 0 ? text : AnyCodeToShiftJIS(text, code, Unmappable::CharRef));
}

void LocalPageTab::OpenFileClick(FilePane pane) {
  const FilePaneSpec& spec = SpecOf(pane);
  if (spec.confirm && !Confirm(kCombinedQuestion)) return;
  QLineEdit* box = file_boxes_.at(pane);
  const QString chosen = AskFile(spec.open_dialog, box->text().trimmed());
  if (chosen.isEmpty()) return;
  const std::string file = SjisFromQs(chosen);
  if (IsFile(file)) box->setText(chosen);
  ShowFile(pane, file, spec.open_margin);
}

void LocalPageTab::GoFileClick(FilePane pane) {
  const FilePaneSpec& spec = SpecOf(pane);
  if (spec.confirm && !Confirm(kCombinedQuestion)) return;
  QLineEdit* box = file_boxes_.at(pane);
  if (box->text().trimmed().isEmpty()) {
    const QString chosen = AskFile(spec.go_dialog, QString());
    if (chosen.isEmpty()) return;
    box->setText(chosen);
  }
  ShowFile(pane, SjisFromQs(box->text().trimmed()), spec.go_margin);
}

void LocalPageTab::ShowFile(FilePane pane, const std::string& file, int margin) {
  const FilePaneSpec& spec = SpecOf(pane);
  TRichEditEx* view = file_views_.at(pane).get();
  LoadInto(view, file, spec.convert ? load_code_->ItemIndex() : -1);
  if (pane == FilePane::CssJsList) {
    ResetViewColors(list_right_.get());
    list_right_->setPlainText(view->toPlainText());
  }
  if (!IsFile(file)) return;
  if (margin > 0) {
    view->SetTextMargins(margin, 30);
    if (pane == FilePane::CssJsList) list_right_->SetTextMargins(margin, 30);
  }
  if (pane == FilePane::TotalCssJs) total_colours_->Loaded();
  if (pane == FilePane::IndivCss) indiv_colours_->Loaded();
}

void LocalPageTab::SaveInto(QLineEdit* box, const std::string& text, const QString& chosen) {
  if (box) box->setText(chosen);
  // The box names the file as it was written.
  const std::string written = SaveAndTell(*prompter_, text, SjisFromQs(chosen));
  if (box && !written.empty()) box->setText(QsFromSjis(written));
}

namespace {

// The save code applied to a pane's text: the declaration first unless kept.
std::string ForSave(std::string text, int code, bool keep_declaration) {
  if (!keep_declaration) text = RewriteCharsetDeclForSave(text, code);
  return text;
}

}  // namespace

void LocalPageTab::SaveIndividual(FilePane pane, const char* dialog) {
  QLineEdit* box = file_boxes_.at(pane);
  const QString chosen = AskFile(dialog, box->text().trimmed());
  if (chosen.isEmpty()) return;
  const int code = save_code_->ItemIndex();
  const std::string text =
      ForSave(file_views_.at(pane)->SjisText(), code, dont_change_charset_->isChecked());
  SaveInto(box, ConvertShiftJISForSave(text, code), chosen);
}

void LocalPageTab::sbLocaIndivlCSSSaveClick() { SaveIndividual(FilePane::IndivCss, "SaveDialogCSS"); }

void LocalPageTab::sbLocaIndivJSSaveClick() { SaveIndividual(FilePane::IndivJs, "SaveDialogJS"); }

void LocalPageTab::sbSaveLocaHTMLFileClick() {
  const std::string current = PathBox();
  const QString chosen = AskFile("SaveDialogHTML", IsFile(current) ? QsFromSjis(current) : QString());
  if (chosen.isEmpty()) return;
  const int code = save_code_->ItemIndex();
  std::string text = ForSave(html_->SjisText(), code, dont_change_charset_->isChecked());
  if (cleanup_html_->isChecked()) text = NormaliseHtml(text);
  SaveInto(path_, ConvertShiftJISForSave(text, code), chosen);
}

void LocalPageTab::sclPGMainTab03LocalLeftTab05OuterHTMLSaveClick() {
  const QString chosen = AskFile("SaveDialogHTML", QString());
  if (chosen.isEmpty()) return;
  SaveInto(nullptr, inner_left_->SjisText(), chosen);
}

}  // namespace kaplo::gui
