/* A do-nothing Windows program; it exists for the version resource linked into it. */
int main(void) { return 0; }
