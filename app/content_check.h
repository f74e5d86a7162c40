#pragma once

#include <QString>

/// Whether a downloaded file is what its name promises. A gallery that no
/// longer has a picture often answers "200 OK" with an HTML page (a login, a
/// "not found" page, a redirect by script); saved under pic01.jpg, that page
/// would pass for the picture. The test reads the file's first bytes (its
/// magic), not what the server said the type was.
namespace ContentCheck {

/// Why the file at `path` is not the kind its extension promises (an image,
/// audio, a video or an archive) although it holds a web page: for example
/// "HTML page instead of an image". Empty when the name promises none of
/// these kinds, the file looks like no page, or it cannot be read.
QString WrongContentReason(const QString& path);
/// The same for the file at `path` held under another name, `named`: what
/// the name promises is `named`'s.
QString WrongContentReason(const QString& path, const QString& named);

} // namespace ContentCheck
