#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TDM;
class TFormMain;
class TFormSplash;

// The program's windows and data module, created once in a fixed order and destroyed in reverse.
class KorvaneApp {
public:
    // Creates DM and every window; the splash, when given, advances before each window.
    explicit KorvaneApp(TFormSplash* splash = nullptr);
    ~KorvaneApp();

    TDM& dm() const { return *dm_; }
    TFormMain& main() const { return *main_; }

    // Shows a vCard or CSV file for import, as the exchange menu's import does for a chosen file.
    void openImport(const QString& file);

private:
    template <typename W, typename... Args> W* create(TFormSplash* splash, int step, Args&&... args);

    std::unique_ptr<TDM> dm_;
    TFormMain* main_ = nullptr;
    // Every window in creation order; destroyed last-first.
    std::vector<std::unique_ptr<QWidget>> windows_;
};

// The whole run: application, splash, windows, message loop.
int runKorvane(int argc, char** argv);
