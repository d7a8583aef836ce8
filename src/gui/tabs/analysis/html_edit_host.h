// THtmlEditHost: the page analysis tab's editing control, a browser pane
// whose document can be switched to edit mode (document.designMode), with
// outlines of <div> areas and of borderless tables drawn by a style sheet
// the document does not hold.
//
// Everything the host does inside the page runs in an isolated script world:
// the page's own scripts see neither the host's functions nor the channel
// that reports clicked elements.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QWebChannel;

namespace kaplo::gui {

class BrowserPane;

class THtmlEditHost : public QObject {
  Q_OBJECT

 public:
  // pane is not owned; it becomes the control.
  explicit THtmlEditHost(BrowserPane* pane);

  BrowserPane* Pane() const { return pane_; }

  void LoadUrl(const QString& url);
  void LoadFile(const QString& path);

  // Browse mode: links work. Off: edit mode.
  bool BrowseMode() const { return browse_; }
  void SetBrowseMode(bool on);
  bool ShowDetails() const { return details_; }
  void SetShowDetails(bool on);
  bool ShowBorders() const { return borders_; }
  void SetShowBorders(bool on);

  // The document's HTML as it stands (edits included); empty without one.
  QString DocumentHtml();
  // Replaces the document; a large one goes through a temporary file.
  void SetDocumentHtml(const QString& html, const QUrl& base = QUrl());

  // What the document says its mode is (for tests): "on" in edit mode.
  QString DesignModeOfDocument();

 signals:
  // Edit mode: the user clicked an element; its HTML.
  void ElementClicked(const QString& outer_html);
  // Browse mode: the user clicked a link; the control does not follow it.
  void LinkClicked(const QUrl& url);

 private:
  class Channel;
  void Apply();

  BrowserPane* pane_;
  QWebChannel* channel_;
  bool browse_ = true;
  bool details_ = false;
  bool borders_ = false;
};

}  // namespace kaplo::gui
