#pragma once
// Backward chains through the games of every player and event/site, so a
// search for a name visits only its games. ".bpl" holds per player id the
// last game the player occurs in, ".bes" per event/site id its last game,
// ".bli" per game its previous game of its White player, of its Black
// player and of its event/site (u32 each). Chains strictly descend; every
// walk stops at a link that is not below the game it came from.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/GameStoreMan.h"
#include "database/RecordStoreMan.h"

class SearchBoosterO {
 public:
  // The names of one game the booster links: White, Black, event/site.
  struct Names {
    uint32_t white = 0, black = 0, eventSite = 0;
    bool operator==(const Names &) const = default;
  };
  // Answers whether the walk goes on.
  using Visit = std::function<bool(int32_t game, const GameDescriptor &d)>;

  SearchBoosterO() { Init(); }
  void Init();
  void Done();
  // Opens (creating when missing) name with ".bpl", ".bes" and ".bli" in
  // place of its extension.
  bool Open(const std::string &name);
  void Close();
  // Deletes ".bli" first: its presence is the database's booster switch.
  void CloseAndDelete();
  bool IsOpen() const { return bli_.IsOpen(); }
  int64_t TotalSize();
  // Games with links (fewer than the games after an interrupted build).
  int32_t LinkedGames() const { return bli_.Count(); }

  // Links a new game n in front of its chains; stops at its first failed
  // write, before ".bli"[n].
  bool AddGame(int32_t n, uint32_t white, uint32_t eventSite, uint32_t black);
  // Game n changes its names from old to now: it leaves the chains of the
  // names it no longer has and joins the chains of its new names at their
  // place, so every chain keeps descending. Unchanged names cost no write.
  bool ReplaceGame(GameStoreO &games, int32_t n, const Names &old, const Names &now);
  // Empties the three files, ".bli" first, then links games 1..Count().
  // A game naming an id past its index's count (players, eventSites) is
  // damaged: it is linked by its other names only, and damaged counts it.
  bool Build(GameStoreO &games, int32_t players, int32_t eventSites, int32_t &damaged);

  // Compares the files with what Build makes of every game's names (in
  // game order): 12 bytes per game, whole heads up to 4 bytes per player
  // and per event/site (the heads past a short file's end read 0, as ids
  // no game names since the file grew have), and every link and head. The
  // first file that differs, or empty when they agree.
  std::string Verify(const std::vector<GameStoreO::NameIds> &names, int32_t players, int32_t eventSites);

  uint32_t LastGameOfPlayer(uint32_t player);
  uint32_t LastGameOfEventSite(uint32_t eventSite);
  uint32_t PrevGameOfWhite(int32_t n) { return Link(n, 0); }
  uint32_t PrevGameOfBlack(int32_t n) { return Link(n, 1); }
  uint32_t PrevGameOfEventSite(int32_t n) { return Link(n, 2); }

  // The games of a player or an event/site, newest first, each with its
  // descriptor (read once); false when a read failed. A chain walked to its
  // end is held as its games' numbers and later walks replay it, until any
  // write of the booster or of the game store: each game is in at most
  // three chains, so they hold at most 12 bytes per game.
  bool WalkPlayer(GameStoreO &games, uint32_t player, const Visit &visit);
  // The walks of the players in turn with the test of each game apart from
  // its visit, where all their chains are held and long: the test only
  // reads, so it runs ahead on spare cores; visit still meets every game in
  // order, with the test's answer (k: the player's place in players). A
  // walk whose read fails ends and the next one begins; a visit's false
  // ends them all. False, having visited nothing, where the chains are not
  // held, there is no spare core, or they hold fewer than fewest games (not
  // worth waking other cores for): walk them one by one then.
  using Test = std::function<bool(size_t k, const GameDescriptor &d)>;
  using TestedVisit = std::function<bool(size_t k, int32_t game, bool passed)>;
  bool WalkPlayersAhead(GameStoreO &games, const std::vector<uint32_t> &players, const Test &test,
                        const TestedVisit &visit, size_t fewest = 65536);
  bool WalkEventSite(GameStoreO &games, uint32_t eventSite, const Visit &visit);

  // A bulk run's writes wait in w: the heads before the links, so links
  // as many as the games mean heads up to date.
  void EnrollWrites(WriteBehind &w);
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) {
    for (RecordStoreO *s : {&bpl_, &bes_, &bli_}) s->AddFiles(out);
  }
  // The memory the held chains take.
  size_t HeldBytes() const { return chains_.bytes; }

  StoreIoCounts IoCounts() const;
  void ResetIoCounts();

 private:
  // The game's names its indexes hold; 0 for an id past the count.
  static Names Within(const GameDescriptor &d, int32_t players, int32_t eventSites);
  struct Links {
    uint32_t v[3] = {0, 0, 0};  // White, Black, event/site
  };
  uint32_t Link(int32_t n, int slot);
  bool ReadLinks(int32_t n, Links &l);
  bool WriteLinks(int32_t n, const Links &l);
  bool ReadHead(RecordStoreO &heads, uint32_t id, uint32_t &game);
  bool WriteHead(RecordStoreO &heads, uint32_t id, uint32_t game);
  // The slot of game m's link in id's chain (player: by m's colours).
  bool SlotIn(GameStoreO &games, int32_t m, uint32_t id, bool player, int &slot);
  bool Unlink(GameStoreO &games, int32_t n, uint32_t id, bool player, int slotOfN, Links &links);
  bool Walk(GameStoreO &games, RecordStoreO &heads, uint32_t id, bool player, const Visit &visit);
  // The held chain of id when the held chains are current, else nullptr.
  std::shared_ptr<const std::vector<uint32_t>> HeldChain(GameStoreO &games, uint32_t id, bool player);
  // The walk through the files; whole when it reached the chain's end with
  // every read done, its games then in chain.
  bool WalkFiles(GameStoreO &games, RecordStoreO &heads, uint32_t id, bool player, const Visit &visit,
                 std::vector<uint32_t> &chain, bool &whole);
  void DropChains();
  bool Insert(GameStoreO &games, int32_t n, uint32_t id, bool player, int slotOfN, Links &links);

  RecordStoreO bpl_, bes_, bli_;
  struct HeldChains {
    // The store, its generation and the linked games they were read with.
    const GameStoreO *games = nullptr;
    uint64_t generation = 0;
    int32_t linked = 0;
    std::unordered_map<uint32_t, std::shared_ptr<const std::vector<uint32_t>>> players, eventSites;
    size_t bytes = 0;
  } chains_;
};
