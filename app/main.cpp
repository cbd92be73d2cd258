// kavro99: command-line front end of the multiple-diffraction simulation.
int main() { return 0; }
