"""Harness of the end-to-end tests: the Wine prefix, the test database and the desktop."""
