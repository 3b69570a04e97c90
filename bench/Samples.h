#pragma once

#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <functional>

// Times of one kind of work, taken one at a time between the other kinds'
// (interleaved), so that all kinds meet the same load on a busy machine.
class Samples
{
public:
    void add(double ms) { m_ms.append(ms); }
    double best() const { return sorted().value(0); }
    double median() const
    {
        const QList<double> s = sorted();
        return s.isEmpty() ? 0 : s[s.size() / 2];
    }
    double worst() const { return sorted().isEmpty() ? 0 : sorted().last(); }

private:
    QList<double> sorted() const
    {
        QList<double> s = m_ms;
        std::sort(s.begin(), s.end());
        return s;
    }
    QList<double> m_ms;
};

// Runs the work once and adds its time to the samples.
inline void timeOnce(Samples &samples, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    samples.add(timer.nsecsElapsed() / 1e6);
}
