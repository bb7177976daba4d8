"""A list of checks run one after another, as the page's and the Windows
programs' tests run theirs: each check is a function of the tests' context,
named by its docstring, that answers the figures it measured (or None) or
raises the test's own error; one line is printed for each."""
import time


class CheckList:
    def __init__(self, checks, failure):
        self.checks = checks
        self.failure = failure
        self.failed = 0
        self.started = time.monotonic()

    def run(self, context):
        for check in self.checks:
            name = check.__doc__.strip()
            try:
                figures = check(context)
                print(f'ok    {name}' + (f': {figures}' if figures else ''), flush=True)
            except self.failure as error:
                self.failed += 1
                print(f'FAIL  {name}: {error}', flush=True)

    def summary(self, program):
        """Prints the tally and answers the test's exit status."""
        passed = len(self.checks) - self.failed
        print(f'{program}: {passed} of {len(self.checks)} checks passed in {time.monotonic() - self.started:.1f} s')
        return 1 if self.failed else 0
