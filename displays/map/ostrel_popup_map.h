// OstrelPopupMap: the 344 x 260 map pane that lies over the recording list when the user asks
// for the map. A page view fills it and shows Maps.HTML from the program's own folder; the pane
// moves the page's map by calling the page function set_focus(latitude, longitude).
//
//   UM_MAP_LOAD      load the page (the main window sends it once at start-up, then hides us)
//   UM_MAP_POSITION  w = address of the latitude, l = address of the longitude (doubles,
//                    decimal degrees): centre the map there while the pane is visible;
//                    positions that come while hidden are not kept
//
// The main window shows the pane on its GPS button and hides it on its FILE LIST button.
// The page view uses a private profile: nothing is written to disk.
//
// Thread contract: UI thread only. The values behind the addresses are read at once.
#pragma once

#include <QString>

#include "displays/display_pane.h"

class QWebEngineProfile;
class QWebEngineView;

namespace moksel {

class OstrelPopupMap : public DisplayPane {
public:
    explicit OstrelPopupMap(QWidget* parent);
    ~OstrelPopupMap() override;

    // Where the page is looked for: Maps.HTML in the folder of the running program.
    static QString mapPagePath();

    // Loads the map page into the page view; a missing page leaves a short note instead.
    void LoadMapPage();

    // Runs a call text such as "javascript:set_focus(37.566535, 126.977969);" in the page (see
    // parsePageScriptCall). False while the page has not finished loading and for an empty
    // text; true once the call was handed to the page, whether or not the page defines the
    // function.
    bool CallPageScript(const QString& text);

    // The pane's page view (for tests of what the page shows).
    QWebEngineView* view() const { return view_; }
    bool pageLoaded() const { return pageLoaded_; }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelPopupMap>& messageMap();
    LResult onMapLoad(WParam w, LParam l);
    LResult onMapPosition(WParam w, LParam l);

    QWebEngineView* view_ = nullptr;
    QWebEngineProfile* profile_ = nullptr;
    bool pageLoaded_ = false;
};

}  // namespace moksel
