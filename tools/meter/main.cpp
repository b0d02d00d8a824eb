// PLACEHOLDER: the simulated meter is being written.
int main() { return 0; }
