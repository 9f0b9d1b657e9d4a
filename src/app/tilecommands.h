#pragma once
// The background map commands (menu Ansicht, Online-Karte): switching a document's online
// tile service on, off or to another service, with the notice for documents outside the
// web-mercator system and the disclaimer of the satellite and road services; and where the
// program keeps its tiles.

#include <QString>

namespace korvel {

class CKorvelDoc;

inline constexpr int ID_TILES_GOOGLE = 32804;         // service 1
inline constexpr int ID_TILES_OSM = 32805;            // service 2
inline constexpr int ID_TILES_VE_AERIAL = 32806;      // service 3
inline constexpr int ID_TILES_VE_ROAD = 32807;        // service 4

// The service code a command switches (1..4), 0 for any other id.
int TileServiceOfCommand(int id);

// Whether the command's menu entry carries its check mark: the document is in the
// web-mercator system and shows exactly that service.
bool TileServiceChecked(const CKorvelDoc* doc, int service);

// The command for `service` (1..4) on `doc`: outside the web-mercator system only the notice;
// the active service again switches off; OpenStreetMap switches on at once, the others only
// after Yes to their disclaimer. Every view of the document then repaints completely.
// Answers whether the service changed. The document counts as modified when what its file
// keeps of the choice changes (it stores only whether a background map is shown).
bool SwitchTileService(CKorvelDoc& doc, int service);

// The folder the program caches tiles in: DefaultTileCacheRoot(), unless another one was set
// (tests keep their tiles in a temporary folder).
QString ProgramTileCacheRoot();
// An empty root means the default again.
void SetProgramTileCacheRoot(const QString& root);

}  // namespace korvel
