// clock_ticks: the chess clock on its real Qt timer, counting White down
// from 10.5 s until the flag falls. Prints each tick's lateness against the
// display boundary it aims at (negative: early), the number of ticks (one a
// second, ten in the last second: 20), how late the flag fell, and the most
// timers pending at once.
// Run: QT_QPA_PLATFORM=offscreen build/release/bench/clock_ticks
#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "BenchArgs.h"
#include "engine/ui/ClockTimer.h"
#include "platform/Dirs.h"

namespace {

double RealMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (QCoreApplication::arguments().size() > 1) Usage("clock_ticks");
  QObject owner;
  ChessClockT clock;
  ClockTimerQt timer(clock, &owner);
  clock.SetTimer(&timer);
  uint64_t offset = 0;
  clock.SetTickSource([&offset] { return dirs::TickCount() + offset; });

  // 11 s, then a stop after exactly half a second of clock time: the count
  // starts between two display steps.
  clock.SetTimeControl(0, 11, 0);
  clock.Reset();
  clock.Start(true);
  offset = 500;
  clock.Stop();
  const int32_t startMs = clock.GetCentiseconds(cWhite) * 10;

  int maxPending = 0;
  auto countPending = [&] {
    int n = 0;
    for (QTimer *t : owner.findChildren<QTimer *>())
      if (t->isActive()) ++n;
    maxPending = std::max(maxPending, n);
  };
  QTimer poll;  // not under `owner`, so it never counts itself
  poll.setTimerType(Qt::PreciseTimer);
  QObject::connect(&poll, &QTimer::timeout, countPending);
  poll.start(1);

  std::vector<double> lateness;
  double flagLate = 0;
  bool measuring = false;
  double t0 = 0;
  clock.SetOnChange([&](ColorT) {
    if (!measuring) return;
    const double left = startMs - (RealMs() - t0);
    const double period = left < 1050 ? 100 : 1000;
    const double boundary = std::max(0.0, std::round(left / period) * period);
    lateness.push_back(boundary - left);
    std::printf("tick %2zu  shown %5d cs  late %6.2f ms\n", lateness.size(), clock.GetCentiseconds(cWhite),
                lateness.back());
    countPending();
    if (clock.FlagFallen(cWhite)) {
      flagLate = -left;
      QTimer::singleShot(0, &app, &QCoreApplication::quit);
    }
  });
  QTimer::singleShot(30'000, &app, &QCoreApplication::quit);  // a clock that never falls

  t0 = RealMs();
  clock.Start(true);
  measuring = true;
  countPending();
  app.exec();

  if (lateness.empty()) {
    std::printf("no tick arrived\n");
    return 1;
  }
  double sum = 0;
  for (double l : lateness) sum += l;
  std::printf("start %d ms; ticks %zu (expected 20); lateness min %.2f max %.2f mean %.2f ms\n", startMs,
              lateness.size(), *std::min_element(lateness.begin(), lateness.end()),
              *std::max_element(lateness.begin(), lateness.end()), sum / lateness.size());
  std::printf("flag fell %.2f ms after the time ran out; most timers pending at once: %d\n", flagLate, maxPending);
  return clock.FlagFallen(cWhite) ? 0 : 1;
}
