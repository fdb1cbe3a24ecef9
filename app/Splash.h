#pragma once

#include <QWidget>

class QProgressBar;

// The borderless window shown while the data module and the windows are created.
class TFormSplash : public QWidget {
    Q_OBJECT
public:
    explicit TFormSplash(QWidget* parent = nullptr);
    // Adds a step to the bar, held within 0 to 100, and paints at once (no message loop runs yet).
    void advance(int step);
    int position() const;

private:
    QProgressBar* ProgressBar1;
};
