// The main window: tabs, menu, start-up state, caption, and the settings
// file across a restart.
#include "gui/common/sjis.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGuiApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "gui/common/app_texts.h"
#include "gui/common/require.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/watch_root_form.h"
#include "shell/ini_file.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

class MainFormTest : public ::testing::Test {
 protected:
  std::unique_ptr<TAMainForm> Open() { return OpenTestWindow(ini_); }

  void WriteIni(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string ReadIni() const {
    std::ifstream in(ini_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  TestFolder dir_{"main-form"};
  fs::path ini_ = dir_ / "KAPLO.inf";
};

// The download tab's controls that the settings file mirrors.
struct DownloadControls {
  explicit DownloadControls(QWidget* form)
      : url(Require<QComboBox>(form, "ComboBoxWBUrl")),
        folder(Require<QLineEdit>(form, "BtnEditWBPageSaveFolder")),
        keep(Require<QCheckBox>(form, "CheckBoxDontEmptyFolder")),
        open_ie(Require<TRadioGroup>(form, "RadioGroupDLFilnalOpenIE")),
        save_name(Require<QLineEdit>(form, "EditDLSaveFilename")),
        top(Require<QWidget>(form, "PanelDLPGMainTabTop")) {}
  QComboBox* url;
  QLineEdit* folder;
  QCheckBox* keep;
  TRadioGroup* open_ie;
  QLineEdit* save_name;
  QWidget* top;
};

TEST_F(MainFormTest, TabsMenusAndStatusBarAsBuilt) {
  auto form = Open();
  auto* tabs = form->findChild<QTabWidget*>("PGMain");
  ASSERT_NE(tabs, nullptr);
  struct Tab {
    const char* name;
    const char* caption;
    bool visible;
  };
  const Tab expected[] = {
      {"PGMainTab01Search", "     ネット検索     ", true},
      {"PGMainTab10FavariteBrowse", " 「 お気に入り 」閲覧（ 【 ２ 】画面 ） ", true},
      {"PGMainTab08UtilBrowse", " 辞書・地図【 １ 】画面  ", true},
      {"PGMainTab08GUIBrowser", " Webﾍﾟｰｼﾞ解析  ", true},
      {"PGMainTab02Dowload", " Ｗｅｂﾍﾟｰｼﾞのﾀﾞｳﾝﾛｰﾄﾞ ", true},
      {"PGMainTab03BrowseLocalFile", " ﾛｰｶﾙ・ﾍﾟｰｼﾞの閲覧  ", true},
      {"PGMainTab04FlashPlayer", " ﾛｰｶﾙFlashPlayer ", false},
      {"PGMainTab05TreeExplorer", " ﾌｫﾙﾀﾞｰ/ﾌｧｲﾙのﾂﾘｰ表示とﾌｧｲﾙ検索  ", true},
      {"PGMainTab06WebDecode", " Webｺｰﾄﾞ変換 ", true},
      {"PGMainTab07FileSearch", " ﾌｧｲﾙ検索 ", false},
      {"PGMainTabb09IPAddress", "\u3000ＩＰアドレス取得 ", true},
  };
  ASSERT_EQ(tabs->count(), 11);
  for (int i = 0; i < 11; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(tabs->widget(i)->objectName(), expected[i].name);
    EXPECT_EQ(tabs->tabText(i), U(expected[i].caption));
    EXPECT_EQ(tabs->isTabVisible(i), expected[i].visible);
    EXPECT_EQ(form->Page(expected[i].name), tabs->widget(i));
    EXPECT_NE(tabs->widget(i)->layout(), nullptr);
  }

  // Menus in order, with the hidden tool menu; items reachable by name.
  auto* bar = form->findChild<QMenuBar*>("MainMenu1");
  ASSERT_NE(bar, nullptr);
  QStringList titles;
  for (QAction* a : bar->actions()) {
    if (a->isVisible()) titles << a->text();
  }
  EXPECT_EQ(titles, QStringList({U("ﾌｧｲﾙ"), U("編集"), U("表示"), U("設定"), U("ﾀﾞｳﾝﾛｰﾄﾞ設定"),
                                 U("新聞・通信社"), U(" お気に入り（ 【 ２ 】画面連携 ） "),
                                 U(" 参照サイト  "), U("その他")}));
  auto* tool = form->findChild<QMenu*>("MenuTool");
  ASSERT_NE(tool, nullptr);
  EXPECT_FALSE(tool->menuAction()->isVisible());
  struct Item {
    const char* name;
    const char* caption;
  };
  for (const Item& item :
       std::initializer_list<Item>{{"MenuFileExit", "終了"},
                                   {"MenuViewMaximized", "最大表示"},
                                   {"ManuSettingsSave", "設定を保存する"},
                                   {"MenuSettingsReInitialize", "初期状態に戻す"},
                                   {"MenuDLSettingsSave", "設定を保存する"},
                                   {"MenuDLSettingsAppend", "Url/保存ﾌｫﾙﾀﾞｰに登録・追加する"},
                                   {"MenuDLSettingsRemove", "設定を解除する"},
                                   {"NHK1", "NHK"},
                                   {"MeniSiteASCII", "ＡＳＣＩＩ"},
                                   {"MenuToolColorPalette", "ｶﾗｰ・ﾊﾟﾚｯﾄ"},
                                   {"MenuOtherAbout", "このプログラムについて"},
                                   {"MenuOtherVersion", "バージョン"}}) {
    auto* action = form->findChild<QAction*>(item.name);
    ASSERT_NE(action, nullptr) << item.name;
    EXPECT_EQ(action->text(), U(item.caption)) << item.name;
  }
  EXPECT_EQ(form->findChild<QMenu*>("MenuNewspaper")->actions().size(), 17);
  EXPECT_EQ(form->findChild<QMenu*>("MenuSite")->actions().size(), 17);

  // A site entry asks for its page; nothing is loaded by the window itself.
  QString asked;
  QObject::connect(form.get(), &TAMainForm::NavNewspaperRequested,
                   [&asked](const QString& url) { asked = url; });
  form->findChild<QAction*>("MenuSiteWedge")->trigger();
  EXPECT_TRUE(asked.endsWith("/list/wedgead")) << asked.toStdString();

  auto* status = form->findChild<QStatusBar*>("StatusBarDLBaseBrowser");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly).size(), 5);
  EXPECT_TRUE(form->StatusPanel(1).startsWith(U(" 【 "))) << form->StatusPanel(1).toStdString();

  // The root window is made with the others, on top and hidden; its button closes it.
  TFormWatchRoot* root = form->WatchRootWindow();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->windowTitle(), U(" 【 Root 】が使用されいるCSS/JS "));
  EXPECT_TRUE(root->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(root->isVisible());
  root->show();
  auto* close = Require<QAbstractButton>(root, "sbWatchRootClose");
  EXPECT_EQ(close->text(), U(" 閉じる "));
  close->click();
  EXPECT_FALSE(root->isVisible());
}

TEST_F(MainFormTest, StartsOnTheSearchTabWithEmptyPanesAndTheVersionCaption) {
  auto form = Open();
  form->show();

  auto* tabs = form->findChild<QTabWidget*>("PGMain");
  EXPECT_EQ(tabs->currentWidget()->objectName(), "PGMainTab01Search");
  EXPECT_EQ(form->windowTitle(),
            U("Webページ ダウンロード・解析・検索ツール ( KAPLO ) - [ 12.10.15 ]"));
  EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
  // Only the panes of the tab in front are made, and they show an empty page.
  QStringList names;
  for (BrowserPane* pane : form->Browsers()) {
    names << pane->objectName();
    EXPECT_TRUE(form->Page(TabId::Search)->isAncestorOf(pane)) << pane->objectName().toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [pane] { return pane->ReadyState() == BrowserPane::kComplete; }, 20000))
        << pane->objectName().toStdString();
    EXPECT_EQ(pane->LocationURL(), "about:blank");
  }
  names.sort();
  EXPECT_EQ(names, QStringList({"WebBrowserNSBase", "WebBrowserNSTarget"}));
  // A tab never shown has made neither panes nor source views.
  for (TabId id : {TabId::Favorites, TabId::UtilBrowse, TabId::GuiAnalysis, TabId::Download,
                   TabId::LocalPage, TabId::Flash, TabId::TreeExplorer, TabId::IpAddress}) {
    EXPECT_TRUE(form->Page(id)->findChildren<QWebEngineView*>().isEmpty()) << int(id);
    EXPECT_TRUE(form->Page(id)->findChildren<TRichEditEx*>().isEmpty()) << int(id);
  }
  // Asked for by name, a pane is made in its tab and shows an empty page.
  for (const char* name : {"WebBrowserDLIndividual", "WebBrowserDownload",
                           "WebBrowserDownloadResult", "WebBrowserIndividualImage"}) {
    auto* pane = Require<BrowserPane>(form.get(), name);
    EXPECT_TRUE(form->Page(TabId::Download)->isAncestorOf(pane)) << name;
    EXPECT_TRUE(QTest::qWaitFor([pane] { return pane->LocationURL() == "about:blank"; }, 20000))
        << name;
  }
  // Showing a tab makes the panes of its pages in front.
  form->ShowTab(TabId::Favorites);
  EXPECT_NE(form->Page(TabId::Favorites)->findChild<BrowserPane*>("WebBrowserFavMain"), nullptr);
  EXPECT_NE(form->Page(TabId::Favorites)->findChild<BrowserPane*>("WebBrowserFavContents"),
            nullptr);
  EXPECT_EQ(form->Page(TabId::Favorites)->findChild<BrowserPane*>("WebBrowserFavSide"), nullptr);
  // No file was there: the window's initial values, and a file written at closing.
  EXPECT_EQ(form->settings().dl.open_ie, 1);
  form->close();
  EXPECT_NE(ReadIni().find("TopPageHTML=index.html"), std::string::npos) << ReadIni();
}

TEST_F(MainFormTest, CaptionRules) {
  auto form = Open();
  form->AppTitleCaption("x", 0);
  EXPECT_EQ(form->windowTitle(), U("Builder[ x ] - [ 12.10.15 ]  Build - 54"));
  form->AppTitleCaption("x", 1);
  EXPECT_EQ(form->windowTitle(), U("Webページ ダウンロード・解析・検索ツール ( KAPLO )"));
  form->SetFormCaption("http://127.0.0.1/a.html");
  EXPECT_EQ(form->windowTitle(), U("[ http://127.0.0.1/a.html ]"));
  form->SetFormCaption("about:blank#x");
  EXPECT_EQ(form->windowTitle(), U("[ http://127.0.0.1/a.html ]"));
  form->findChild<QAction*>("MenuOtherVersion")->trigger();
  EXPECT_TRUE(form->windowTitle().endsWith(" - [ 12.10.15 ]"));
}

TEST_F(MainFormTest, SettingsSurviveARestart) {
  WriteIni(
      "[DL]\r\nUrl=http://127.0.0.1/start.html\r\nSaveFolder=/tmp/dl\r\nOpenIE=7\r\n"
      "SaveFilename=given.html\r\nBaseLevel=2\r\n"
      "[NS]\r\nKeyword=検索語\r\n[IP]\r\nUrl=127.0.0.1\r\n"
      "[Menu]\r\nMaximized=1\r\n[DLUrl]\r\n0=http://127.0.0.1/b|/tmp/b\r\n1=http://127.0.0.1/a|\r\n"
      "[Other]\r\nKept=yes\r\n");
  {
    auto form = Open();
    form->show();
    const DownloadControls controls(form.get());
    const DownloadControls* dl = &controls;
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(form->findChild<QAction*>("MenuViewMaximized")->isChecked());
    EXPECT_EQ(dl->url->currentText(), "http://127.0.0.1/start.html");
    EXPECT_EQ(dl->folder->text(), "/tmp/dl");
    EXPECT_EQ(dl->open_ie->ItemIndex(), 2);  // 7 is past the last choice
    EXPECT_EQ(dl->save_name->text(), "");    // saved, never read back
    auto* keyword = Require<QComboBox>(form.get(), "ComboBoxSearchKeyWord");
    EXPECT_EQ(keyword->currentText(), U("検索語"));
    keyword->setEditText(U("別の語"));
    // The presets fill the URL box's drop-down, in list order.
    ASSERT_EQ(dl->url->count(), 2);
    EXPECT_EQ(dl->url->itemText(0), "http://127.0.0.1/a");
    EXPECT_EQ(dl->url->itemText(1), "http://127.0.0.1/b");

    // Choosing a preset brings its save folder back.
    dl->url->setCurrentIndex(1);
    emit dl->url->textActivated(dl->url->itemText(1));
    EXPECT_EQ(dl->folder->text(), "/tmp/b");

    dl->url->setEditText("http://127.0.0.1/c");
    dl->folder->setText("/tmp/c");
    dl->keep->setChecked(true);
    dl->open_ie->SetItemIndex(0);
    form->findChild<QAction*>("MenuViewMaximized")->trigger();
    EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
    // Appending registers the URL once, whatever its letter case.
    form->findChild<QAction*>("MenuDLSettingsAppend")->trigger();
    dl->url->setEditText("HTTP://127.0.0.1/C");
    form->findChild<QAction*>("MenuDLSettingsAppend")->trigger();
    EXPECT_EQ(form->settings().presets.Size(), 3u);
    dl->url->setEditText("http://127.0.0.1/c");
    Require<QSpinBox>(form.get(), "SpinDLDepth")->setValue(2);
    Require<QAbstractButton>(form.get(), "CheckBoxDLSameSite")->setChecked(true);
    Require<QAbstractButton>(form.get(), "CheckBoxDLSingleFile")->setChecked(true);
    form->close();
  }
  const std::string saved = ReadIni();
  EXPECT_NE(saved.find("Kept=yes"), std::string::npos);
  EXPECT_NE(saved.find("Keyword=別の語"), std::string::npos) << saved;
  EXPECT_NE(saved.find("BaseLevel=2"), std::string::npos);
  EXPECT_NE(saved.find("Maximized=0"), std::string::npos);
  {
    auto form = Open();
    form->show();
    const DownloadControls controls(form.get());
    const DownloadControls* dl = &controls;
    EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dl->url->currentText(), "http://127.0.0.1/c");
    EXPECT_EQ(dl->folder->text(), "/tmp/c");
    EXPECT_TRUE(dl->keep->isChecked());
    EXPECT_EQ(dl->open_ie->ItemIndex(), 0);
    // The job's extras: a site job and its depth, the one-file page.
    EXPECT_EQ(Require<QSpinBox>(form.get(), "SpinDLDepth")->value(), 2);
    EXPECT_TRUE(Require<QAbstractButton>(form.get(), "CheckBoxDLSameSite")->isChecked());
    EXPECT_TRUE(Require<QAbstractButton>(form.get(), "CheckBoxDLSingleFile")->isChecked());
    EXPECT_FALSE(Require<QAbstractButton>(form.get(), "CheckBoxDLWarc")->isChecked());
    EXPECT_EQ(dl->url->count(), 3);
    EXPECT_EQ(Require<QComboBox>(form.get(), "ComboBoxSearchKeyWord")->currentText(), U("別の語"));
    EXPECT_EQ(form->settings().ip.url, "127.0.0.1");
    ASSERT_TRUE(form->settings().presets.Entries().size() == 3u);
    EXPECT_EQ(form->settings().presets.Entries()[2], "http://127.0.0.1/c|/tmp/c");

    // Removing the presets empties the drop-down and the file's section at once.
    form->findChild<QAction*>("MenuDLSettingsRemove")->trigger();
    EXPECT_EQ(dl->url->count(), 0);
    EXPECT_EQ(ReadIni().find("[DLUrl]"), std::string::npos);
    form->close();
  }
}

TEST_F(MainFormTest, ResetTopHeightAndTabSwitch) {
  WriteIni(
      "[DL]\r\nUrl=http://127.0.0.1/x\r\nBasePageLocal=keep.html\r\nDontEmptyFolder=1\r\n"
      "[GUI]\r\nUrl=http://127.0.0.1/g\r\n");
  auto form = Open();
  form->show();
  const DownloadControls controls(form.get());
  const DownloadControls* dl = &controls;
  dl->save_name->setText("mine.html");
  EXPECT_EQ(Find<QLineEdit>(form.get(), "EditWBBasePageLocalFimename")->text(), "keep.html");
  auto* top_page = Find<QLineEdit>(form.get(), "EditTopPageHTMLFilename");
  top_page->setText("top.html");
  dl->open_ie->SetItemIndex(2);

  // Switching to the download tab sizes its top panel.
  auto* tabs = form->findChild<QTabWidget*>("PGMain");
  tabs->setCurrentWidget(form->Page("PGMainTab02Dowload"));
  EXPECT_EQ(dl->top->height(), 240);

  form->findChild<QAction*>("MenuSettingsReInitialize")->trigger();
  EXPECT_TRUE(form->ReInitializeChecked());
  EXPECT_EQ(dl->url->currentText(), "");
  EXPECT_EQ(dl->save_name->text(), "");
  EXPECT_FALSE(dl->keep->isChecked());
  EXPECT_EQ(dl->top->height(), 500);
  // The remembered fields are emptied, the option groups keep their choices.
  EXPECT_EQ(top_page->text(), "");
  EXPECT_EQ(dl->open_ie->ItemIndex(), 2);
  std::string saved = ReadIni();
  EXPECT_NE(saved.find("Initialize=1"), std::string::npos) << saved;
  EXPECT_NE(saved.find("BasePageLocal=keep.html"), std::string::npos);  // not a reset field
  EXPECT_NE(saved.find("PageTopHeight=500"), std::string::npos);
  EXPECT_EQ(saved.find("http://127.0.0.1/g"), std::string::npos);

  // While the reset is checked the download tab opens with the tall panel.
  tabs->setCurrentWidget(form->Page("PGMainTab01Search"));
  tabs->setCurrentWidget(form->Page("PGMainTab02Dowload"));
  EXPECT_EQ(dl->top->height(), 500);

  // Collapsing or expanding a tab's top panel clears the reset.
  for (const char* collapse : {"sbDLLocalCollapse", "sbFavCollapse", "sbGUICollapse"}) {
    SCOPED_TRACE(collapse);
    form->findChild<QAction*>("MenuSettingsReInitialize")->setChecked(true);
    Find<QAbstractButton>(form.get(), collapse)->click();
    EXPECT_FALSE(form->ReInitializeChecked());
  }
  form->findChild<QAction*>("MenuSettingsReInitialize")->setChecked(true);

  // The top-height command clears the reset and writes its key at once.
  form->findChild<QAction*>("MenuViewStdTopHeight")->trigger();
  EXPECT_FALSE(form->ReInitializeChecked());
  EXPECT_NE(ReadIni().find("PageTopHeight=62"), std::string::npos);
  form->findChild<QAction*>("MenuViewStdTopHeight")->trigger();
  EXPECT_NE(ReadIni().find("PageTopHeight=140"), std::string::npos);
}

// Captions the tabs share or spell their own way.
TEST_F(MainFormTest, FixedTextsOfTheTabs) {
  auto form = Open();
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("NOLDA-KAPLO"));
  EXPECT_EQ(Find<TRadioGroup>(form.get(), "RadioGroupDLUrlWebDecode")->title(),
            U(" UrlのWebﾃﾞｺｰﾄﾞ "));
  EXPECT_EQ(Find<QLabel>(form.get(), "LabelKeywordHelp")->text(),
            U("検索ｷｰﾜｰﾄﾞは【 8 】個を、” 一括 ”検索できます。\u3000「 半角ｽﾍﾟｰｽ 」で区切ってください。  "));
  EXPECT_EQ(Find<QComboBox>(form.get(), "ComboBoxWebKW")->toolTip(),
            Find<QLabel>(form.get(), "LabelKeywordHelp")->text());
  // The local page and folder tree groups say "ISO-2022", the others "ISO-2022-JP".
  for (const char* group :
       {"RadioGroupLocalFileLoadCharset", "RadioGroupLocalFileOriginalCharset",
        "RadioGroupLocalFileSaveCharset", "RadioGroupTreeExplorer", "RadioGroupTreeExplorerSave",
        "RadioGroupDLMainHTMLCharSet"}) {
    const auto items = Find<TRadioGroup>(form.get(), group)->findChildren<QAbstractButton*>();
    ASSERT_EQ(items.size(), 6) << group;
    EXPECT_EQ(Find<TRadioGroup>(form.get(), group)->ItemIndex(), 0) << group;
    EXPECT_EQ(items[4]->text(), std::string_view(group).starts_with("RadioGroupDL")
                                    ? QStringLiteral("ISO-2022-JP")
                                    : QStringLiteral("ISO-2022"))
        << group;
  }
  // The web code tab's close button ends the program as "終了" does.
  form->show();
  auto* exit = Find<QAbstractButton>(form.get(), "sbWebCodeExit");
  EXPECT_EQ(exit->toolTip(), U("終了"));
  form->ShowTab(TabId::WebDecode);
  exit->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(std::filesystem::exists(ini_));  // closing wrote the settings
}

TEST_F(MainFormTest, AnAddressHandedOverLandsInTheTargetTab) {
  auto form = Open();
  form->show();
  const DownloadControls controls(form.get());
  form->HandOver(TabId::Download, U("http://127.0.0.1/handed.html"));
  EXPECT_EQ(form->findChild<QTabWidget*>("PGMain")->currentWidget(),
            form->Page(TabId::Download));
  EXPECT_EQ(controls.url->currentText(), U("http://127.0.0.1/handed.html"));
}

}  // namespace
}  // namespace kaplo::gui
