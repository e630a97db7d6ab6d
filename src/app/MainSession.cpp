// The main window's end without questions: a logout that allows none,
// SIGTERM and SIGHUP. Nothing changed is dropped: a PGN file is written back
// only when its import read it whole and no other program changed it since,
// otherwise its games (and a changed game not stored) go to a recovery file
// that the next start names; a game typed with no file open goes to a file
// of its own.
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "app/Guard.h"
#include "app/Main.h"
#include "chess/PrintPGN.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/comDlgAbort.h"
#include "foundation/ui/ModalSeam.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {

// Ends the allowance on the user's next key or click, or when the program
// becomes active again after the session manager's own windows.
class SessionWatch : public QObject {
 public:
  explicit SessionWatch(TMainForm &form) : form_(form) { qApp->installEventFilter(this); }

 protected:
  bool eventFilter(QObject *, QEvent *e) override {
    const QEvent::Type t = e->type();
    const bool active = t == QEvent::ApplicationStateChange && QGuiApplication::applicationState() == Qt::ApplicationActive;
    if (t == QEvent::KeyPress || t == QEvent::MouseButtonPress || t == QEvent::NonClientAreaMouseButtonPress || active)
      form_.SessionGoesOn();
    return false;
  }

 private:
  TMainForm &form_;
};

// The signal handler only writes a byte; the event loop does the work.
int g_signalPipe[2] = {-1, -1};

void OnEndSignal(int) {
  const char byte = 1;
  const int saved = errno;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

// What the next start says of one recovery file.
std::string RecoveryText(const DatabaseO::RecoveryNote &note) {
  using Kind = DatabaseO::RecoveryKind;
  const std::string file = win1252::PathText(note.file), recovery = win1252::PathText(note.recovery);
  std::string caption = CommonText::S_GamesRecovered;  // a line of an older build
  if (note.hasKind) {
    switch (note.kind) {
      case Kind::UnsavedGame: caption = CommonText::S_RecoveredUnsavedGame; break;
      case Kind::NotWrittenBack: caption = CommonText::S_RecoveredNotWrittenBack; break;
      case Kind::KilledRun: caption = CommonText::S_RecoveredKilledRun; break;
      case Kind::GameWithoutFile: return SubstituteText(CommonText::S_RecoveredGameWithoutFile, recovery);
      case Kind::SetAside: caption = CommonText::S_ChangesSetAside; break;
    }
  }
  return SubstituteText(SubstituteText(caption, file), recovery);
}

}  // namespace

void TMainForm::AllowSessionClose() {
  sessionAllowedClose_ = true;
  if (!sessionWatch_) sessionWatch_ = std::make_unique<SessionWatch>(*this);
}

void TMainForm::SessionGoesOn() {
  sessionAllowedClose_ = false;
  // Called from the watch's own filter: it goes once the event is through.
  if (sessionWatch_) sessionWatch_.release()->deleteLater();
}

void TMainForm::EndWithoutQuestions() {
  StopAutoPlay();
  const bool unsaved = Game.ModifiedFlags() != 0;
  if (!FileOpen) {
    // A game typed with no file open has nowhere else to go.
    if (unsaved && !DatabaseO::KeepGameWithoutFile(ToText(Game, PgnOptions(80), LangEnglish)).empty())
      Game.SetModifiedState(0);
    return;
  }
  // The list windows hold lists of the database: they go first.
  GameListMan.CloseAll();
  const std::string recovered =
      Database.CloseWithoutAsking(unsaved ? ToText(Game, PgnOptions(80), LangEnglish) : std::string());
  // The game is kept aside: nothing more to ask about it.
  if (unsaved && !recovered.empty()) Game.SetModifiedState(0);
  if (!Database.IsOpen()) {
    FileOpen = false;
    CloseFile();
  }
}

void TMainForm::ReportRecoveredGames() {
  std::vector<std::string> messages;
  for (const DatabaseO::RecoveryNote &note : DatabaseO::TakeRecoveryNotes()) messages.push_back(RecoveryText(note));
  // Sets no recovery file took: said at every start until one does.
  for (const DatabaseO::RecoveryFailure &f : DatabaseO::TakeRecoveryFailures())
    messages.push_back(SubstituteText(
        SubstituteText(SubstituteText(CommonText::S_SetNotRecovered, win1252::PathText(f.file)), f.reason),
        win1252::PathText(f.setFolder)));
  for (const std::string &m : messages) ui::ShowMessage(m);
}

void TMainForm::InstallEndSignals() {
  if (g_signalPipe[0] < 0) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) return;
    struct sigaction sa{};
    sa.sa_handler = OnEndSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
  }
  auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char buf[16];
    while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
    }
    EndOnSignal();
  });
}

void TMainForm::EndOnSignal() {
  // A long operation or a dialog works on what the end would close: the
  // operation is cancelled, the dialog dismissed, and the end comes after.
  // No dialog opens meanwhile, so a message that follows every OK cannot
  // hold the end off.
  modal::SetEnding(true);
  if (AbortDlg.IsShowing() || QApplication::activeModalWidget()) {
    AbortDlg.Cancel();
    if (QWidget *w = QApplication::activeModalWidget()) w->close();
    QTimer::singleShot(50, this, [this] { EndOnSignal(); });
    return;
  }
  Guarded([&] {
    EndWithoutQuestions();
    AllowSessionClose();
  });
  modal::SetEnding(false);
  QCoreApplication::quit();
}
