#pragma once
// What a command unit works with: the application state, the document
// flows and the main window (its canvas, dialogs' parent, view and window
// operations). Units never reach for globals.
namespace qm {

struct AppState;
class DocumentFlows;
class MainWindow;

class CommandContext {
 public:
  CommandContext(AppState& state, DocumentFlows& flows, MainWindow& window)
      : state_(state), flows_(flows), window_(window) {}

  AppState& state() const { return state_; }
  DocumentFlows& flows() const { return flows_; }
  MainWindow& window() const { return window_; }

 private:
  AppState& state_;
  DocumentFlows& flows_;
  MainWindow& window_;
};

}  // namespace qm
