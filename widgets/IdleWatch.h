#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <chrono>

// How long the program has gone without keyboard or mouse input, in any of its windows: it watches what the
// application delivers.
class IdleWatch : public QObject
{
    Q_OBJECT
public:
    explicit IdleWatch(QObject* parent = nullptr);
    ~IdleWatch() override;

    std::chrono::milliseconds idle() const;
    void reset();
    // For tests: as if the last input were that long ago.
    void pretendIdle(std::chrono::milliseconds idle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer m_since;
    qint64 m_before = 0; // milliseconds added by pretendIdle
};
