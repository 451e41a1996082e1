#pragma once

// Qt's image reader, at the first picture it reads from a file, opens every
// image-format plugin (GIF, ICNS, ICO, JPEG, MNG, SVG, TGA, TIFF, WBMP, WebP,
// with some fifteen libraries of their own) to ask each whether it reads the
// picture, before trying its own PNG reader. A window built from PNG pictures
// alone needs none of them until something else is read.
//
// withholdPluginFoldersUntilShown() hides Qt's plugin folders from the
// plugin loaders made from now on until the event loop next runs (a window
// built and shown meanwhile is drawn after that), then gives them back, and
// loaders made meanwhile read them then. Until then, pictures and icons made
// from files must be PNG, BMP, PPM, XBM or XPM, which Qt reads itself: one of
// another format comes out null.
//
// Call after the application object (the platform plugin, its theme and input
// methods are loaded by then) and before anything reads or writes a picture.
// The application's style is made first, with the folders in place, so that a
// style plugin the desktop asks for is still found. Themed icons are not read
// until drawn, so they keep their engines.
void withholdPluginFoldersUntilShown();
