// Loading what the game needs: its data file from next to the program, and the
// player's score table from their profile.
#include "loading.h"

#include <windows.h>

#include "app.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "formats.h"
#include "messages.h"
#include "resource.h"
#include "storage.h"

namespace {

constexpr size_t kMaxDataFile = 64u << 20;

UINT DataErrorTextId(DataError error) {
  switch (error) {
    case DataError::kNone: break;
    case DataError::kTooShort: return IDS_DATA_TOO_SHORT;
    case DataError::kBadMagic: return IDS_DATA_BAD_MAGIC;
    case DataError::kBadVersion: return IDS_DATA_BAD_VERSION;
    case DataError::kBadHeader: return IDS_DATA_BAD_HEADER;
    case DataError::kBadDirectory: return IDS_DATA_BAD_DIRECTORY;
    case DataError::kChunkOutside: return IDS_DATA_CHUNK_OUTSIDE;
    case DataError::kBadChunk: return IDS_DATA_BAD_CHUNK;
    case DataError::kMissingChunk: return IDS_DATA_MISSING_CHUNK;
    case DataError::kBadContent: return IDS_DATA_BAD_CONTENT;
    case DataError::kTooLarge: return IDS_DATA_TOO_LARGE;
  }
  return IDS_DATA_UNUSABLE_REASON;
}

}  // namespace

bool LoadData(App& app) {
  DWORD error = 0;
  bool read = PathNextToProgram("murkle.dat", app.content.path) &&
              ReadWholeFile(app.content.path, kMaxDataFile, &app.content.bytes, &error);
  // One the system has no words for: the file is there, but is no data file.
  if (!read && error != ERROR_FILE_TOO_LARGE) {
    ShowSystemError<IDS_DATA_UNREADABLE>(app, error, static_cast<const char*>(app.content.path));
    return false;
  }
  GameContent& content = app.content;
  const DataError result = read ? content.file.Open(content.bytes.data(), content.bytes.size()) : DataError::kTooLarge;
  if (result != DataError::kNone) {
    char reason[128], text[MAX_PATH + 384];
    LoadText(app.instance, DataErrorTextId(result), reason, sizeof reason);
    FormatLoaded<kGameFormats, IDS_DATA_UNUSABLE>(app.instance, text, sizeof text,
                                                  static_cast<const char*>(app.content.path),
                                                  static_cast<const char*>(reason));
    ShowMessage(app, text, MB_OK | MB_ICONSTOP);
    return false;
  }
  // Open() has checked every chunk read here.
  content.levels.resize(size_t(content.file.level_count()));
  for (int i = 0; i < content.file.level_count(); ++i) content.file.LoadLevel(i + 1, &content.levels[size_t(i)]);
  for (uint32_t id = 1; id <= dat::kTileSheets; ++id) content.file.Picture(dat::kTagTiles, id, &content.sheets[id]);
  for (uint32_t id = 1; id <= dat::kBackdrops; ++id)
    content.file.Picture(dat::kTagBackdrop, id, &content.backdrops[id]);
  ChunkView text;
  if (app.content.file.Find(dat::kTagText, dat::kTextHowToPlay, &text)) {
    app.content.how_to_play = reinterpret_cast<const char*>(text.data);
    app.content.how_to_play_size = text.size;
  }
  return true;
}

// The player's table, or on the first run the one installed next to the
// program, which is only ever read: it is written to the profile once there is
// a score to keep.
void LoadTable(App& app) {
  DWORD error = 0;
  ScoreLoad load = ScoreLoad::kMissing;
  const char* from = app.scores.path;
  if (PathInProfile("murkle.hsc", app.scores.path)) load = LoadScores(app.scores.path, &app.scores.table, &error);
  char installed[MAX_PATH];
  if (load == ScoreLoad::kMissing) {
    if (!PathNextToProgram("murkle.hsc", installed)) {
      DefaultScoreTable(&app.scores.table);
      return;
    }
    from = installed;
    load = LoadScores(installed, &app.scores.table, &error);
  }
  switch (load) {
    case ScoreLoad::kLoaded:
    case ScoreLoad::kMissing:
      break;
    case ScoreLoad::kCorrupt: {
      char text[128];
      LoadText(app.instance, IDS_SCORES_DAMAGED, text, sizeof text);
      ShowMessage(app, text, MB_OK | MB_ICONINFORMATION);
      break;
    }
    case ScoreLoad::kUnreadable:
      ShowSystemError<IDS_SCORES_UNREADABLE>(app, error, from);
      break;
  }
}
