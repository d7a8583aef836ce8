// The URL history of a drop-down box, updated after a URL was pasted and
// opened.
#pragma once

#include <QString>
#include <functional>

class QComboBox;

namespace kaplo::gui {

// Trims url and, unless it is empty: shows it in box; adds it to the items
// of download_urls (the download tab's URL box, which gathers every address
// opened) when they lack it; drops repeated items of box, the first of each
// staying where it was; and names the URL in the window's caption.
void AddComboBoxURL(const QString& url, QComboBox* box, QComboBox* download_urls,
                    const std::function<void(const QString& url)>& set_form_caption);

}  // namespace kaplo::gui
