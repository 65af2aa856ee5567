// OstrelPopupMap: the 344 x 260 map pane that lies over the recording list when the user asks
// for the map. A page view fills it and shows Maps.HTML from the program's own folder; the pane
// moves the page's map by calling the page function set_focus(latitude, longitude).
//
//   UM_MAP_LOAD           load the page (the main window sends it once at start-up, then hides
//                         us); the page view itself is made only when the pane is first shown,
//                         so a window whose map was never opened draws as plain widgets
//   UM_MAP_POSITION       w = address of the latitude, l = address of the longitude (doubles,
//                         decimal degrees): centre the map there while the pane is visible;
//                         positions that come while hidden are not kept. A position without a
//                         fix (0 / 0) tells the page there is none (clear_focus)
//   UM_TELEMETRY_CLEARED  the recording was closed: the page drops the marker until the next
//                         recording reports a position (clear_focus)
//
// The drive's route: showDrive gives the recordings of the drive being played; while the pane
// shows, their positions are read on a worker thread (cached per file) and handed to the page's
// set_route function, if the page defines one. A click on the route comes back through the page's channel to the pane
// and on to the route-pick handler with the recording's path and the time in it.
//
// Map pictures come through the tile handler (map_tiles.h), which keeps them on disk.
//
// Thread contract: UI thread only. The values behind the addresses are read at once.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "displays/display_pane.h"

class QWebEngineProfile;
class QWebEngineView;

namespace moksel {

class DriveTrackLoader;
class MapPageBridge;

class OstrelPopupMap : public DisplayPane {
public:
    explicit OstrelPopupMap(QWidget* parent);
    ~OstrelPopupMap() override;

    // Where the page is looked for: Maps.HTML in the folder of the running program.
    static QString mapPagePath();

    // Loads the map page into the page view, making the view first if the pane shows; while
    // the pane has never been shown, the load waits for its first showing. A missing page
    // leaves a short note instead.
    void LoadMapPage();

    // Runs a call text such as "javascript:set_focus(37.566535, 126.977969);" in the page (see
    // parsePageScriptCall). False while the page has not finished loading and for an empty
    // text; true once the call was handed to the page, whether or not the page defines the
    // function.
    bool CallPageScript(const QString& text);

    // The drive being played: its recordings' paths in drive order and the index of the one
    // playing. The route is read in the background (once the pane shows) and given to the page
    // when ready; files read before come from the cache. An empty list takes the route away.
    void showDrive(std::vector<std::string> paths, int current);
    // Called with a recording's path and a time in it (ms) when the user clicks the route.
    void setRoutePickHandler(std::function<void(const std::string&, std::int64_t)> handler) {
        routePick_ = std::move(handler);
    }
    // Called for each recording whose duration the route reading found (path, ms).
    void setDurationHandler(std::function<void(const std::string&, std::int64_t)> handler) {
        durationFound_ = std::move(handler);
    }

    // The pane's page view; null until the pane is first shown, and for good where a page view
    // cannot run (then the pane shows `unavailableNote`).
    QWebEngineView* view() const { return view_; }
    const QString& unavailableNote() const { return unavailableNote_; }
    bool pageLoaded() const { return pageLoaded_; }
    // The recordings of the drive given last, in drive order.
    const std::vector<std::string>& drive() const { return drive_; }
    // The route text last handed to the page (empty: none yet).
    const QString& routeGiven() const { return routeGiven_; }

    // From the page (through its channel): a click on the route at `timeMs` of recording
    // `recording` (index in the drive given last). Indexes outside the drive are ignored.
    void routeClicked(int recording, double timeMs);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    static const MessageMap<OstrelPopupMap>& messageMap();
    LResult onMapLoad(WParam w, LParam l);
    LResult onMapPosition(WParam w, LParam l);
    LResult onTelemetryCleared(WParam w, LParam l);
    void makeView();
    void loadIntoView();
    void requestRoute();
    void giveRoute();
    void callIfDefined(const QString& function, const QString& argumentsJson);

    QWebEngineView* view_ = nullptr;
    QWebEngineProfile* profile_ = nullptr;
    MapPageBridge* bridge_ = nullptr;
    DriveTrackLoader* loader_ = nullptr;
    QString unavailableNote_;
    bool pageLoaded_ = false;
    bool loadWanted_ = false;
    bool routeWanted_ = false;  // a drive came while hidden: read it when the pane shows

    std::vector<std::string> drive_;  // paths of the drive shown
    int current_ = -1;
    QString route_;       // the route text for the page, empty until read
    QString routeGiven_;  // the route text the page has
    std::function<void(const std::string&, std::int64_t)> routePick_;
    std::function<void(const std::string&, std::int64_t)> durationFound_;
};

}  // namespace moksel
