// Toolkit foundation library.
