// qor-bench's flags: any order gives the same run, and what it cannot use is
// refused with the reason, before anything is measured.
#include "bench/BenchFlags.h"

#include <QProcess>
#include <QTest>

using Mode = BenchFlags::Mode;

class TestBenchFlags : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void anyOrderGivesTheSameRun();
    void theToolAnswersBeforeMeasuring_data();
    void theToolAnswersBeforeMeasuring();
};

void TestBenchFlags::accepted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QString>("keep");

    const QList<int> standard{10000, 50000, 200000};
    QTest::newRow("none") << QStringList() << int(Mode::Sizes) << standard << 15 << QString();
    QTest::newRow("million adds") << QStringList{"--million"} << int(Mode::Sizes)
                                  << QList<int>{10000, 50000, 200000, 1000000} << 15 << QString();
    QTest::newRow("only, twice") << QStringList{"--only", "50000", "--only", "10000"} << int(Mode::Sizes)
                                 << QList<int>{10000, 50000} << 15 << QString();
    QTest::newRow("keep and repeat") << QStringList{"--keep", "/tmp/b", "--repeat", "5"} << int(Mode::Sizes) << standard
                                     << 5 << QStringLiteral("/tmp/b");
    QTest::newRow("help wins") << QStringList{"--million", "--help"} << int(Mode::Help) << QList<int>{} << 15
                               << QString();
    QTest::newRow("registers") << QStringList{"--repeat", "9", "--registers"} << int(Mode::Registers) << QList<int>{}
                               << 9 << QString();
    QTest::newRow("orders") << QStringList{"--students", "20000", "--orders", "--keep", "/tmp/o"} << int(Mode::Orders)
                            << QList<int>{} << 15 << QStringLiteral("/tmp/o");
    QTest::newRow("postgres, its size") << QStringList{"--admin-user", "u", "--postgres", "pg:h,1", "--million"}
                                        << int(Mode::Postgres) << QList<int>{1000000} << 15 << QString();
    QTest::newRow("postgres, by default") << QStringList{"--postgres", "pg:h,1", "--admin-user", "u"}
                                          << int(Mode::Postgres) << QList<int>{200000} << 15 << QString();
}

void TestBenchFlags::accepted()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, mode);
    QString error;
    const BenchFlags flags = parseBenchFlags(arguments, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(int(flags.mode), mode);
    if (flags.mode == Mode::Sizes || flags.mode == Mode::Postgres)
        QTEST(flags.sizes, "sizes");
    QTEST(flags.repeat, "repeat");
    QTEST(flags.keep, "keep");
}

void TestBenchFlags::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    QTest::newRow("unknown") << QStringList{"--milion"} << "unknown flag \"--milion\"";
    QTest::newRow("unknown after good ones") << QStringList{"--only", "10000", "extra"} << "unknown flag \"extra\"";
    QTest::newRow("no value") << QStringList{"--only"} << "--only needs a number of students";
    QTest::newRow("a flag for a value") << QStringList{"--keep", "--million"} << "--keep needs a folder";
    QTest::newRow("not a number") << QStringList{"--only", "lots"} << "--only takes a whole number of at least 100";
    QTest::newRow("too few samples") << QStringList{"--repeat", "1"} << "--repeat takes a whole number of at least 3";
    QTest::newRow("two modes") << QStringList{"--registers", "--postgres", "pg:h,1"} << "give one of them";
    QTest::newRow("students without orders") << QStringList{"--students", "20000"} << "--students goes with --orders";
    QTest::newRow("sizes of the orders") << QStringList{"--orders", "--only", "10000"} << "--only does not go with --orders";
    QTest::newRow("sizes of the registers") << QStringList{"--million", "--registers"}
                                            << "--million does not go with --registers";
    QTest::newRow("two sizes on the server") << QStringList{"--postgres", "pg:h,1", "--admin-user", "u", "--only",
                                                            "10000", "--million"}
                                             << "--postgres measures one size";
    QTest::newRow("server without its user") << QStringList{"--postgres", "pg:h,1"} << "--postgres needs --admin-user";
    QTest::newRow("a server's user alone") << QStringList{"--admin-user", "u"} << "--admin-user does not go with";
}

void TestBenchFlags::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    QString error;
    parseBenchFlags(arguments, &error);
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestBenchFlags::anyOrderGivesTheSameRun()
{
    const QStringList flags{"--only", "50000", "--million", "--repeat", "7", "--keep", "/tmp/k"};
    // Every order of the four flags, each with its value.
    QList<QStringList> pairs;
    for (qsizetype i = 0; i < flags.size();) {
        const bool withValue = flags[i] != u"--million";
        pairs.append(flags.mid(i, withValue ? 2 : 1));
        i += withValue ? 2 : 1;
    }
    QList<int> order{0, 1, 2, 3};
    QString error;
    const BenchFlags first = parseBenchFlags(flags, &error);
    QCOMPARE(first.sizes, (QList<int>{50000, 1000000}));
    do {
        QStringList arguments;
        for (int i : order)
            arguments += pairs[i];
        const BenchFlags again = parseBenchFlags(arguments, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(again.sizes, first.sizes);
        QCOMPARE(again.repeat, first.repeat);
        QCOMPARE(again.keep, first.keep);
    } while (std::next_permutation(order.begin(), order.end()));
}

void TestBenchFlags::theToolAnswersBeforeMeasuring_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    QTest::newRow("help") << QStringList{"--million", "--help"} << 0 << "--million";
    QTest::newRow("unknown flag") << QStringList{"--only", "10000", "--bogus"} << 2 << "unknown flag \"--bogus\"";
}

// The program itself: --help prints the flags and an unknown flag ends it at
// once, neither measuring anything.
void TestBenchFlags::theToolAnswersBeforeMeasuring()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QProcess bench;
    bench.start(qEnvironmentVariable("QOR_TEST_BIN") + QStringLiteral("/qor-bench"), arguments);
    QVERIFY2(bench.waitForFinished(30000), "qor-bench ends at once");
    QCOMPARE(bench.exitStatus(), QProcess::NormalExit);
    QCOMPARE(bench.exitCode(), exitCode);
    const QString output = QString::fromUtf8(bench.readAllStandardOutput() + bench.readAllStandardError());
    QVERIFY2(output.contains(says), qPrintable(output));
    QVERIFY2(!output.contains(u"###"), "no table was measured");
}

QTEST_GUILESS_MAIN(TestBenchFlags)
#include "tst_benchflags.moc"
