// The full view: the strip's hidden controls shown in a taller window, and back.

#include "panel/KOV450.h"
#include "panel/PanelLayout.h"

#include "ui/Twips.h"

namespace panel {

void KOV450::toggleFullView() {
    fullView_ = !fullView_;
    const qreal dpi = ui::logicalDpi(this);
    for (const ui::ControlSpec& entry : panelLayout()) {
        if (entry.shown == ui::Shown::Hidden) {
            findChild<QWidget*>(QString::fromUtf8(entry.name))->setVisible(fullView_);
        }
    }
    const QRect stripPlace = panelControlSpec(u"BoudFrame").twips;
    const QRect place = fullView_ ? QRect(kFullViewBoudFrameTwips, stripPlace.size()) : stripPlace;
    form.BoudFrame->setGeometry(ui::twipsToPixels(place, dpi));

    const int heightTwips = fullView_ ? kFullViewClientHeightTwips : kPanelClientTwips.height();
    setFixedSize(ui::twipsToPixels(kPanelClientTwips.width(), dpi),
                 ui::twipsToPixels(heightTwips, dpi));
}

} // namespace panel
