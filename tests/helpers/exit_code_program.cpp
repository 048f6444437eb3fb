// A do-nothing console program that ends with exit code 7: the stand-in that the fixture tool pads
// into a program whose own file matches a signature row.
int main()
{
    return 7;
}
