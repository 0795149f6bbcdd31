/* A library that the test driver needs and that is not where the loader looks. */
void gone_function(void);
void gone_function(void) {}
