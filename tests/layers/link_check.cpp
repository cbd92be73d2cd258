// Links every object of one layer of the library with the layers below it
// alone: a call into a higher layer leaves its symbol undefined and the link
// fails. The program itself does nothing.
int main() { return 0; }
