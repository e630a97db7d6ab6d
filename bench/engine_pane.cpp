// engine_pane: the comment pane's time for an engine that writes MB
// megabytes (default 25) without a line end. The output goes through the
// real reader and dispatcher into a pane set up as the main window's (its
// lines capped, kept scrolled to the end, shown). Prints the lines the pane
// got, its characters, and the time from the start to the engine's end.
// Run: QT_QPA_PLATFORM=offscreen build/release/bench/engine_pane [MB]
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "BenchArgs.h"
#include "engine/ChildProcs.h"
#include "engine/ui/QtInputDispatcher.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const char *usage = "engine_pane [MB]";
  if (argc > 2 || (argc == 2 && IsOption(argv[1]))) Usage(usage);
  const long mb = argc == 2 ? NumberArg(argv[1], 1, 1000, usage) : 25;

  // The engine: a script that writes the bytes and ends.
  char dir[] = "/tmp/engine_paneXXXXXX";
  if (!::mkdtemp(dir)) return 1;
  const std::string script = std::string(dir) + "/flood.sh";
  std::ofstream(script) << "#!/bin/sh\nhead -c " << mb * 1024 * 1024 << " /dev/zero | tr '\\000' x\n";
  ::chmod(script.c_str(), 0700);

  QPlainTextEdit pane;
  pane.setMaximumBlockCount(1000);  // the main window's cap with an engine
  pane.resize(400, 300);
  pane.show();
  QtInputDispatcher dispatcher(&pane);
  ChildProcessT child;
  long lines = 0, chars = 0;
  bool ended = false;
  child.SetOnLine([&](ChildProcessT &, const std::string &line) {
    ++lines;
    chars += static_cast<long>(line.size());
    // As the main window shows a line: without its line end, at the foot.
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    pane.appendPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    pane.verticalScrollBar()->setValue(pane.verticalScrollBar()->maximum());
  });
  child.SetOnEnd([&](ChildProcessT &) { ended = true; });
  const auto start = std::chrono::steady_clock::now();
  if (child.Create(dispatcher, dir, script) != 0) return 1;
  // The end is a message box through the UI hook: headless, it goes to stderr.
  while (!ended) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld MB without a line end: %ld lines, %ld characters to the pane, %.2f s\n", mb, lines, chars, s);
  child.Destroy();
  std::remove(script.c_str());
  ::rmdir(dir);
  return 0;
}
