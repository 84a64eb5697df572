// Qt's own Japanese texts for the standard dialogs and buttons of both programs.
#pragma once

namespace vello {

/// Installs Qt's Japanese translations (the distribution's Qt translation files) on the running
/// application, so standard buttons (はい, いいえ, キャンセル ...) and the file and folder choosers speak
/// Japanese. Call once after the application object exists. False when the files are not installed; the
/// programs then run with Qt's English texts.
bool installQtTranslations();

} // namespace vello
