#pragma once
// Public interface of the image-operations library (filled in by the library's own work).
