// Replaced by the library's operations.
