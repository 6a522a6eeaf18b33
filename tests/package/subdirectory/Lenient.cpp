// Code the consumer's own flags accept and ours would refuse (-Wunused-parameter
// under -Wextra -Werror): it builds only if our warnings stay on our targets.
int consumerCode(int unusedParameter) { return 0; }
