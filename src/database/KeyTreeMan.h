#pragma once
// The opening-key tree of a database: named keys in a hierarchy, each owning
// a set of positions and listing its games, kept in six files beside the
// database: ".key" (the nodes), ".kls" (positions and children lists),
// ".gls" (games lists), ".hsh" and ".pos" (the keyed positions), ".gki"
// (game -> key).
//
// One node record is loaded at a time and written back when another is
// loaded or the tree closes. Operations that write answer false when a store
// refused a write (the store has shown its message). A node number, or a
// child, position or games-list index, outside its range raises ERangeError
// before anything changes. A damaged file (a link that loops or points past
// the file) ends the walk that meets it with failure; the read message is
// shown once per open, however many walks meet it.
#include <cstdint>
#include <string>
#include <vector>

#include "chess/Posns.h"
#include "database/IndexListStoreMan.h"
#include "database/QZGamePlayer.h"
#include "database/IntegerListStoreMan.h"
#include "database/KeyStoreMan.h"
#include "database/PosStoreMan.h"

class GameO;

class KeyTreeO {
 public:
  static constexpr uint32_t kRoot = 1;

  KeyTreeO() = default;
  ~KeyTreeO() { Close(); }
  KeyTreeO(const KeyTreeO &) = delete;
  KeyTreeO &operator=(const KeyTreeO &) = delete;

  // Opens the set of the ".key" name, making a new one (the root alone)
  // when the ".key" file does not exist. False, with nothing left open,
  // when a file fails or the tree is damaged. Damaged (WasDamaged): an
  // existing ".key" that is not whole node records, a node whose list or
  // parent lies past its file's count, a ".kls" or ".gls" bucket with more
  // than ten values or a next past the file, a list that loops or runs into
  // another, a child, position or game that does not exist (0 included), a
  // node under two parents, a game under two keys, or ".pos" chains that
  // cannot give the heads; the set is then left as it is. The derived files
  // are made again from the others: ".hsh" when it is not the heads ".pos"
  // gives, ".gki" when missing, or not whole entries, past gameCount, or at
  // odds with the games lists (Rebuilt names those that were there).
  bool Open(const std::string &keyName, uint32_t gameCount = UINT32_MAX);
  bool WasDamaged() const { return damaged_; }
  const std::vector<std::string> &Rebuilt() const { return rebuilt_; }
  bool Close();
  void CloseAndDelete();
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) {
    pos_.AddFiles(out);
    nodes_.AddFiles(out);
    kls_.AddFiles(out);
    gls_.AddFiles(out);
    gki_.AddFiles(out);
  }
  bool IsOpen() const { return open_; }
  // Writes the node and lists held in memory (not the positions loaded for
  // a bulk run), so the files hold every key change; false when a write
  // failed (it has said why).
  bool WriteHeld();

  // The positions in memory and the games-list cache on / both undone.
  bool LoadIntoMemory();
  bool UnloadFromMemory();

  // --- the cursor
  uint32_t NodeCount() const;
  uint32_t CurrentNode() const { return current_; }
  void GoRoot();
  bool HasParent() const { return open_ && current_ != kRoot; }
  bool GoParent();
  bool GoChild(int i);
  void SetCurrentNode(uint32_t n);

  // --- the current node
  std::string GetName();
  bool SetName(const std::string &text);  // cut to 80
  std::string GetCode();
  bool SetCode(const std::string &text);  // cut to 5
  uint32_t TotalGameCount();

  int ChildCount();
  // The node number of child i.
  uint32_t ChildNode(int i);
  std::string GetChildName(int i);
  bool SetChildName(int i, const std::string &text);
  std::string GetChildCode(int i);
  bool SetChildCode(int i, const std::string &text);
  uint32_t ChildTotalGameCount(int i);
  int ChildPositionCount(int i);
  bool ChildGetPosition(int i, int j, PositionO &board);
  uint32_t ChildGetPositionRecord(int i, int j);
  // 0 when n is not a child of the current node.
  int IndexOfChild(uint32_t n);

  int PositionCount();
  bool GetPosition(int i, PositionO &board);
  std::string GetPositionName(int i);
  bool SetPositionName(int i, const std::string &text);
  uint32_t GetPositionRecord(int i);

  int GameCount();
  uint32_t GetGame(int i);

  // A new child of the current node (which stays current); 0 on failure.
  uint32_t AddChild();
  // Files the position under the current node, unless some key owns it.
  bool AddPosition(const PositionO &board);
  // The games list of the current node alone; ".gki" is left as it is.
  bool AddGameToNode(uint32_t game);
  bool RemoveGameFromNode(int i);

  // Files game g under node k (0: under none), keeping ".gki" and the
  // games lists in step; with recount the totals up from the nodes touched.
  bool SetGameKey(uint32_t node, uint32_t game, bool recount);
  uint32_t GetGameKey(uint32_t game);
  bool RecountAll();
  // Counts every change to a games list, so a view of a node's games knows
  // when to read them again.
  uint64_t GameListChanges() const { return gameListChanges_; }
  bool RecountUp(uint32_t node);

  int GetSiblingIndex();
  void SetSiblingIndex(int v);
  // Each node from the current one up records in its parent which child it
  // is (a child past 255 leaves the byte as it is).
  bool UpdateSiblingIndexes();

  // --- classification
  // The node owning the position, 0 when none.
  uint32_t KeyOfBoard(const PositionO &board);
  // The node of the last keyed position of the game, walking back from its
  // current position (fromEnd: from the end of its main line, the chain of
  // main-line children); 0 when none. ply: 1 + the moves from the start to
  // that position. The game's current node is restored.
  uint32_t ClassifyLine(GameO &game, bool fromEnd, int &ply);
  // The same for a packed game, replayed to the end of its main line when
  // fromEnd (else only its start is looked at); 0 for a block the player
  // refuses.
  uint32_t ClassifyGame(const GameBuffer &buf, bool fromEnd, int &ply);

  // --- the key text
  // Every key below the root, two blanks of indentation per level, lines
  // ended with CR LF; the file is replaced whole only when all was written.
  bool ExportText(const std::string &fileName);
  // Adds the keys of the text below the current node. The number of
  // position lines skipped because their FEN was refused, or -1 when the
  // file could not be read or a store refused a write.
  int ImportText(const std::string &fileName);
  // A key set of its own opens the target, imports the text and closes.
  static int ImportTextFile(const std::string &keyName, const std::string &textFile);
  // Makes the key set of the database base name from the program's
  // "class" files: copies "class.key" and the rest (".gki" may be missing),
  // else imports "class.txt". True when a set was made; false when there
  // are no defaults, when any file of the set already exists (nothing is
  // touched), or on a failure (the files this call made are removed).
  static bool CreateFromDefaults(const std::string &baseName);
  // Whether the program directory holds such defaults.
  static bool HasDefaults();

  // The stores, for their counters.
  PosStoreManO &PositionStore() { return pos_; }
  IntegerListStoreManO &GameLists() { return gls_; }

 private:
  bool Load(uint32_t n);
  KeyNodeRec &Rec() { return rec_; }
  void Dirty() { dirty_ = true; }
  bool WriteBack();
  void CheckNode(uint32_t n) const;
  bool ValidNode(uint32_t n) const { return n >= 1 && n <= NodeCount(); }
  // The list of the current node, created when missing (0 on failure).
  uint32_t ListOf(uint32_t node, uint32_t KeyNodeRec::*field, IntegerListStoreManO &store);
  uint32_t PositionRecordOf(uint32_t node, int j);
  std::string TextOf(uint32_t node, std::string KeyNodeRec::*field);
  bool SetText(uint32_t node, std::string KeyNodeRec::*field, const std::string &text, size_t max);
  int CountOf(uint32_t node, uint32_t KeyNodeRec::*field, IntegerListStoreManO &store);
  bool AddGameTo(uint32_t node, uint32_t game);
  bool RemoveGameFrom(uint32_t node, uint32_t game);
  // The nodes reachable from the root, depth first over the children in
  // order, with their depths; false when a children list loops back or
  // names a node that does not exist.
  bool Walk(std::vector<uint32_t> &order, std::vector<uint32_t> *depths, std::vector<uint32_t> *parents);
  enum class GameIndex { Sound, Missing, Stale };
  bool CheckSet(uint32_t gameCount, std::vector<uint32_t> &owners, GameIndex &gki);
  bool WriteGameIndex(const std::vector<uint32_t> &owners);
  void CloseAll();
  // A link that loops or points past its file: the read message naming
  // file, once per open.
  static bool Damaged(BucketStoreManO &file);

  uint32_t NodeOfRecord(uint32_t record);

  bool open_ = false;
  PosStoreManO pos_;
  KeyStoreManO nodes_;
  IntegerListStoreManO kls_, gls_;
  IndexListStoreO gki_;
  PositionO board_;
  QZGamePlayerO player_;
  uint32_t current_ = 0;
  uint32_t loaded_ = 0;
  KeyNodeRec rec_;
  bool dirty_ = false;
  bool damaged_ = false;
  bool readFailureShown_ = false;
  std::vector<std::string> rebuilt_;
  uint64_t gameListChanges_ = 0;
};
