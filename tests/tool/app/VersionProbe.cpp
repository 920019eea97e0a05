// A program that only carries a version note.
int main() { return 0; }
