// List Up of 1 to 100,000 into an empty grid through the real main window
// (offscreen), how the view copes with that many rows, and the memory the
// process holds with them. Prints figures; asserts nothing.
//
//   app_list_up_bench [JOBS [ROUNDS]]   (defaults: 100000 jobs, 5 rounds)
#include "app/ui/tform1.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A status line of /proc/self/status in MB, e.g. "VmHWM".
double ProcStatusMb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Runs `step`, then lets the window process and paint what it caused.
double TimedMs(TForm1& form, const std::function<void()>& step) {
    QElapsedTimer t;
    t.start();
    step();
    QCoreApplication::processEvents();
    form.StringGrid1->viewport()->repaint();
    return double(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int kJobs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100'000;
    const int kRounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    // The aims: 100,000 jobs within 300 ms and 120 MB, a million within 250 MB.
    const int targetMb = kJobs > 100'000 ? 250 : 120;
    std::printf("rss before the window: %.1f MB\n", ProcStatusMb("VmRSS"));

    TForm1 form;
    form.SetMessageSink([](TForm1::MessageKind, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "window not exposed; figures below may not include painting\n");
    form.ComboBox1->setEditText(QStringLiteral("http://127.0.0.1:8080/gallery/series/"));
    form.Edit4->setText(QStringLiteral("/home/user/Downloads/series/"));
    form.SpinEdit1->setValue(6);
    form.Edit2->setText(QStringLiteral("1"));
    form.Edit5->setText(QString::number(kJobs));
    QCoreApplication::processEvents();
    const double rssIdle = ProcStatusMb("VmRSS");

    std::vector<double> listUp, bottom, select, top, clear;
    double rssHolding = 0;
    for (int round = 0; round < kRounds; ++round) {
        listUp.push_back(TimedMs(form, [&] { form.SpeedButton1->click(); }));
        if (form.NextRow() != kJobs + 1)
            std::fprintf(stderr, "unexpected NextRow %d\n", form.NextRow());
        if (round == 0)
            rssHolding = ProcStatusMb("VmRSS");
        bottom.push_back(TimedMs(form, [&] { form.StringGrid1->scrollToBottom(); }));
        select.push_back(TimedMs(form, [&] {
            form.SelectGridRows(40'000, 60'000);
            (void)form.SelectedGridRows();
        }));
        top.push_back(TimedMs(form, [&] {
            form.StringGrid1->verticalScrollBar()->setValue(kJobs / 2);
            form.StringGrid1->scrollToTop();
        }));
        clear.push_back(TimedMs(form, [&] { form.Grid().Clear(); }));
    }

    std::printf("List Up of 1 to %d into an empty grid, %d rounds (median / first):\n", kJobs,
                kRounds);
    std::printf("  List Up incl. repaint      %8.1f ms / %8.1f ms   (target < 300 ms)\n",
                Median(listUp), listUp[0]);
    std::printf("  scroll to the last row     %8.1f ms\n", Median(bottom));
    std::printf("  select rows 40000..60000   %8.1f ms\n", Median(select));
    std::printf("  scroll to middle and top   %8.1f ms\n", Median(top));
    std::printf("  clear the list             %8.1f ms\n", Median(clear));
    std::printf("memory:\n");
    std::printf("  rss with the window, empty %8.1f MB\n", rssIdle);
    std::printf("  rss holding %d jobs    %8.1f MB\n", kJobs, rssHolding);
    std::printf("  peak rss of the process    %8.1f MB   (target < %d MB)\n", ProcStatusMb("VmHWM"),
                targetMb);
    std::printf("  per job, over the empty window %6.1f bytes\n",
                (ProcStatusMb("VmHWM") - rssIdle) * 1024 * 1024 / kJobs);
    return 0;
}
