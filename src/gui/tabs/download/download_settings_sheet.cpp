// The download tab's options sheet ("ﾀﾞｳﾝﾛｰﾄﾞ設定"): its choices, which of
// them the settings file keeps, and how they reach the engine.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "gui/common/gui_util.h"
#include "gui/common/require.h"
#include "gui/common/settings_bindings.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/scroll_panel.h"

namespace kaplo::gui {

namespace {

const QStringList kCharsets = CharsetChoices();

}  // namespace

QWidget* DownloadTab::BuildSettingsSheet() {
  // Many choices: they scroll where the window is low.
  auto* holder = new QWidget;
  QWidget* sheet = ScrolledContent(holder, QStringLiteral("PanelDLSettingsSheet"));
  auto* grid = new QGridLayout(sheet);
  grid->setContentsMargins(3, 3, 3, 3);
  auto radio = [sheet](const char* name, const char* caption, const QStringList& items,
                       int columns = 1) {
    return new TRadioGroup(QString::fromLatin1(name), U(caption), items, columns, sheet);
  };
  grid->addWidget(radio("RadioGroupDLFilnalOpenIE", " ﾀﾞｳﾝﾛｰﾄﾞ後の表示 ",
                        {U("Webﾍﾟｰｼﾞを【 右 】に表示"), U("ﾀﾞｳﾝﾛｰﾄﾞしたﾛｰｶﾙﾍﾟｰｼﾞを【 右 】に表示"),
                         U("ＩＥを起動し、【 新しいウィンドウ 】に表示")}),
                  0, 0);
  grid->addWidget(radio("RadioGroupRemoveBaseHref", " <base href> ",
                        {U("【 Windows 】のＰａｔｈに変更する【 警告 】"),
                         U("【 Windows 】のＰａｔｈに変更する"),
                         U("【 <base href=”http:：//・・/  】を除いて、CSSを変更する"),
                         U("【 <base href=\"http:：//・・/  】を除くのみ")}),
                  0, 1);
  grid->addWidget(radio("RadioGroupDLHTMLDQSlash", " ”/ ",
                        {U("何もしない"), U("「 ”／　」　，「”．．／ ｝を除く")}),
                  1, 0);
  grid->addWidget(radio("RadioGroupRemoveOtherDmain", " 他のﾄﾞﾒｲﾝ ",
                        {U("何もしない（ そのまま残す ）"), U("【 http:：//ﾄﾞﾒｲﾝ/ 】を除く")}),
                  1, 1);
  grid->addWidget(radio("RadioGroupDLUrlWebDecode", " UrlのWebﾃﾞｺｰﾄﾞ ",
                        {U("何もしない"), U("16進UTF-8"), U("16進EUC"), U("Web16進ｺｰﾄﾞ "),
                         U("【 %25 】を除去して16進UTF-8"), U("Base64ｺｰﾄﾞ")},
                        2),
                  2, 0);
  grid->addWidget(radio("RadioGroupDLMainHTMLCharSet", " HTMLの文字ｺｰﾄﾞ ", kCharsets, 3), 2, 1);
  grid->addWidget(radio("RadioGroupDLCSSJSCharSet", " CSS/JSの文字ｺｰﾄﾞ ", kCharsets, 3), 3, 1);
  grid->addWidget(radio("RadioGroupDLMaskUrlRoot", " ﾙｰﾄ ", {U("そのまま"), U("ﾙｰﾄを除く")}), 3, 0);
  grid->addWidget(
      radio("RadioGroupDLBaseLevel", " 階層 ", {U("なし"), U("．．/"), U("．．/．．/")}, 3), 4, 0);
  grid->addWidget(radio("RadioGroupInitialLoad", " 起動時 ",
                        {U("何もしない"), U("設定されたUrlのﾍﾟｰｼﾞをﾅﾋﾞｹﾞｰﾄ")}),
                  4, 1);
  auto* checks = new QWidget(sheet);
  auto* cl = new QGridLayout(checks);
  cl->setContentsMargins(0, 0, 0, 0);
  struct Box {
    const char* name;
    const char* caption;
  };
  int i = 0;
  for (const Box& b :
       {Box{"CheckBoxDontEmptyFolder", "ﾀﾞｳﾝﾛｰﾄﾞに先立って、「保存ﾌｫﾙﾀﾞ」を【 空 】にしない  "},
        Box{"CheckBoxDonttSaveImage", "【 ｲﾒｰｼﾞ・ﾌｧｲﾙ 】を保存しない"},
        Box{"CheckBoxDLDontMakeCSSlist", "CSS/JS統合ﾘｽﾄを作成しない"},
        Box{"CheckBoxDLCSSOnly", "CSSのみ統合する "},
        Box{"CheckBoxDLDownloadinnerHTML",
            " 通常ではﾀﾞｳﾝﾛｰﾄﾞできない場合に、取得した内部HTMLを使って保存する "},
        Box{"CheckBoxDontWebListClear", "ﾅﾋﾞｹﾞｰﾄしてもｸﾘｱしない"},
        Box{"CheckBoxDLRemoveDomain", "ﾄﾞﾒｲﾝを除く"},
        Box{"CheckBoxDLDecodeFilename", "ﾌｧｲﾙ名をﾃﾞｺｰﾄﾞする"},
        Box{"CheckBoxDLDontReDraw", "ﾀﾌﾞを開くとﾅﾋﾞｹﾞｰﾄする"},
        Box{"CheckBoxDLRefresh", "更新のみ取得"},
        Box{"CheckBoxDLWarc", "WARCファイルにも記録する"},
        Box{"CheckBoxDLSingleFile", "1つのHTMLファイルにも保存する"}}) {
    auto* c = new QCheckBox(U(b.caption), checks);
    c->setObjectName(QString::fromLatin1(b.name));
    cl->addWidget(c, i / 2, i % 2);
    ++i;
  }
  grid->addWidget(checks, 5, 0, 1, 2);
  // Several pages in one job: the linked pages of the same site, to a depth.
  auto* site = new QWidget(sheet);
  auto* sl = new QHBoxLayout(site);
  sl->setContentsMargins(0, 0, 0, 0);
  auto* same_site = new QCheckBox(U("同じサイトのリンク先も保存する"), site);
  same_site->setObjectName(QStringLiteral("CheckBoxDLSameSite"));
  auto* depth = new QSpinBox(site);
  depth->setObjectName(QStringLiteral("SpinDLDepth"));
  depth->setRange(0, 20);
  depth->setValue(1);
  depth->setToolTip(U("0 = このページだけ"));
  sl->addWidget(same_site);
  sl->addWidget(new QLabel(U(" 階層 "), site));
  sl->addWidget(depth);
  sl->addStretch(1);
  grid->addWidget(site, 6, 0, 1, 2);
  grid->setRowStretch(7, 1);
  return holder;
}

void DownloadTab::ResolveControls() {
  const auto radio = [this](const char* name) { return Require<TRadioGroup>(this, name); };
  radio_ = Choices{
      radio("RadioGroupDLFilnalOpenIE"),
      radio("RadioGroupRemoveBaseHref"),
      radio("RadioGroupDLHTMLDQSlash"),
      radio("RadioGroupRemoveOtherDmain"),
      radio("RadioGroupDLUrlWebDecode"),
      radio("RadioGroupDLMainHTMLCharSet"),
      radio("RadioGroupDLCSSJSCharSet"),
      radio("RadioGroupDLFrameDownload"),
      radio("RadioGroupDLMaskUrlRoot"),
      radio("RadioGroupDLBaseLevel"),
      radio("RadioGroupInitialLoad"),
      radio("RadioGroupDLIndividualCode"),
      radio("RadioGroupDLIndividualCodeSaveFile"),
      radio("RadioGroupDLIndividualScreen"),
  };
  const auto check = [this](const char* name) { return Require<QAbstractButton>(this, name); };
  check_ = Checks{
      check("CheckBoxDontEmptyFolder"),     check("CheckBoxDonttSaveImage"),
      check("CheckBoxDLDontMakeCSSlist"),   check("CheckBoxDLCSSOnly"),
      check("CheckBoxDLDownloadinnerHTML"), check("CheckBoxDontWebListClear"),
      check("CheckBoxDLsaveThisname"),      check("CheckBoxTopDirectoryForUnkwon"),
      check("CheckBoxLocalDontLoad"),       check("CheckBoxDLDontReDraw"),
      check("CheckBoxDLRemoveDomain"),
      check("CheckBoxDLWarc"),
      check("CheckBoxDLSingleFile"),
  };
  same_site_ = Require<QAbstractButton>(this, "CheckBoxDLSameSite");
  depth_ = Require<QSpinBox>(this, "SpinDLDepth");
  save_name_ = Require<QLineEdit>(this, "EditDLSaveFilename");
  top_page_ = Require<QLineEdit>(this, "EditTopPageHTMLFilename");
  dummy_dir_ = Require<QLineEdit>(this, "EditDLTopDummyDirectory");
  idle_only_ = {Require<QWidget>(this, "btnDLOpenFrameset"), Require<QWidget>(this, "sbWinFileIE"),
                Require<QWidget>(this, "sbWinFileDualScreen"),
                Require<QWidget>(this, "sbDLSingleScreen")};
}

void DownloadTab::BindSettings(SettingsBindings& b, Settings& s) {
  settings_ = &s;
  b.Text(url_box_, s.dl.url);
  b.Text(save_folder_, s.dl.save_folder);
  b.Text(local_file_, s.dl.local_filename);
  b.Text(top_page_, s.dl.top_page_html);
  b.Text(dummy_dir_, s.dl.top_dummy_directory);
  b.Text(base_page_local_, s.dl.base_page_local);
  b.Choice(radio_.final_open, s.dl.open_ie, kOpenIEChoices);
  b.Choice(radio_.initial_load, s.dl.initial_load, kInitialLoadChoices);
  b.Choice(radio_.base_level, s.dl.base_level, kBaseLevelChoices);
  b.Choice(radio_.mask_url_root, s.dl.remove_root, kRemoveRootChoices);
  b.Choice(radio_.remove_other_domain, s.dl.remove_other_domain, kRemoveOtherDomainChoices);
  b.Choice(radio_.remove_base_href, s.dl.remove_base_href, kRemoveBaseHrefChoices);
  b.Check(check_.dont_empty_folder, s.dl.dont_empty_folder);
  b.Check(check_.dont_save_image, s.dl.dont_save_image);
  b.Check(check_.dont_redraw, s.dl.dont_redraw);
  b.Check(check_.remove_domain, s.dl.remove_domain);
  b.Check(check_.dont_make_css_list, s.dl.dont_make_css_list);
  b.Check(check_.css_only, s.dl.css_only);
  b.Check(Require<QAbstractButton>(this, "CheckBoxDLRefresh"), s.dl.refresh);
  b.Check(check_.warc, s.dl.warc);
  b.Check(check_.single_file, s.dl.single_file);
  b.Check(same_site_, s.dl.same_site);
  b.Number(depth_, s.dl.depth);
  b.SavedOnly(save_name_, s.dl.save_filename);
  b.SavedOnly(frame_link_, s.dl.indiv_image_url);
}

void DownloadTab::ResetRemembered() {
  url_box_->setEditText(QString());
  for (QLineEdit* edit : {save_folder_, local_file_, save_name_, top_page_, dummy_dir_}) {
    edit->clear();
  }
  for (QAbstractButton* box : {check_.dont_empty_folder, check_.dont_save_image,
                               check_.dont_make_css_list, check_.css_only,
                               check_.save_this_name}) {
    box->setChecked(false);
  }
  SetPanelHeight(top_panel_, 500);
}

void DownloadTab::ResetChoices() {
  for (TRadioGroup* r : findChildren<TRadioGroup*>()) r->SetItemIndex(0);
  for (TRadioGroup* r : {radio_.final_open, radio_.html_dq_slash, radio_.mask_url_root,
                         radio_.remove_other_domain}) {
    r->SetItemIndex(1);
  }
  radio_.url_web_decode->SetItemIndex(4);
  top_page_->setText(QStringLiteral("index.html"));
}

DownloadOptions DownloadTab::OptionsFromControls() const {
  DownloadOptions s;
  s.final_open = radio_.final_open->ItemIndex();
  s.remove_base_href = radio_.remove_base_href->ItemIndex();
  s.html_dq_slash = radio_.html_dq_slash->ItemIndex();
  s.remove_other_domain = radio_.remove_other_domain->ItemIndex();
  s.url_web_decode = radio_.url_web_decode->ItemIndex();
  s.main_html_charset = radio_.main_html_charset->ItemIndex();
  s.css_js_charset = radio_.css_js_charset->ItemIndex();
  s.frame_download = radio_.frame_download->ItemIndex();
  s.dont_empty_folder = check_.dont_empty_folder->isChecked();
  s.dont_save_image = check_.dont_save_image->isChecked();
  s.dont_make_css_list = check_.dont_make_css_list->isChecked();
  s.css_only = check_.css_only->isChecked();
  s.download_inner_html = check_.download_inner_html->isChecked();
  s.dont_web_list_clear = check_.dont_web_list_clear->isChecked();
  const auto* refresh = findChild<QCheckBox*>(QStringLiteral("CheckBoxDLRefresh"));
  s.refresh = refresh && refresh->isChecked();
  s.save_this_name = check_.save_this_name->isChecked();
  s.save_filename = Trimmed(save_name_->text());
  s.top_page_filename = Trimmed(top_page_->text());
  s.top_directory_for_unknown = check_.top_directory_for_unknown->isChecked();
  s.top_dummy_directory = Trimmed(dummy_dir_->text());
  return s;
}

}  // namespace kaplo::gui
