#pragma once

#include "support/object_registry.h"

#include <QString>

namespace kestrel {

// The web session component ("KOAW" in the mail window's messages): fetches one page of the
// hosting control panel. Created by programmatic identifier, one instance per request; it
// reports failures through false results and LastError, never by raising.
//
// Calling order: InitComponent; then OpenWHR (engine "WHR") or OpenURL (engine "IE"); after
// true HtmlSource, after false LastError; always Quit; then the instance is released.
class WebSession : public Component {
 public:
  static constexpr const char* ProgId = "KovOlActWrapper.ClsBaseMain";
  // How messages about the component name it.
  static constexpr const char* ShortName = "KOAW";

  // engine: "WHR" sends one plain request and reports a redirect instead of following it; "IE"
  // loads the page as a desktop browser does (redirects followed, cookies kept across them).
  // tmpFolder: the suite's temporary folder, ending with a separator. showBrowser and option
  // come from the browser-driving past of the component: the module passes false and 1.
  // false, with LastError, when the component cannot serve the engine.
  virtual bool InitComponent(const QString& engine, const QString& tmpFolder, bool showBrowser,
                             int option) = 0;

  // method "GET" (or "POST" with a form body); true when an answer page was received.
  virtual bool OpenWHR(const QString& method, const QString& url, const QString& body) = 0;
  // true when the page was loaded.
  virtual bool OpenURL(const QString& url) = 0;

  // The text of the last page received ("" when none).
  virtual QString HtmlSource() const = 0;
  // Why the last call failed, in words for the user; never holds a password.
  virtual QString LastError() const = 0;

  // Ends the component: a request still running is stopped. Later calls fail.
  virtual void Quit() = 0;
};

}  // namespace kestrel
