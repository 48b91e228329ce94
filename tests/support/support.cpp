// Shared test support.
