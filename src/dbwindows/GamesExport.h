#pragma once
// The export command of the list windows: a save dialog in the remembered
// export directory, then the games of a game-list slot as a PGN file.
#include <cstdint>

class AbortDlgO;
class DatabaseO;
class QWidget;

// The dialog through the modal seam; an existing file is only replaced
// after the user agreed. With a progress object its window, captioned
// "Exporting...", shows around the export, else the hourglass. True when
// the file was written.
bool ExportGamesToPgn(DatabaseO &database, int32_t slot, AbortDlgO *progress, QWidget *parent);
