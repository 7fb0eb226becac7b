// ESLint's configuration for the project's JavaScript, run by tools/check-lint.sh from the
// repository root as `eslint --config tests/web/eslint.config.mjs`: given so, the patterns
// below are the root's, and the rules and globals come from tests/web's node_modules.
//  - web/: ES modules that esbuild bundles into one script per thread (tools/build-web.sh):
//    web/screen is the page, web/worker and web/saver run in workers, web/shared is
//    imported by both sides and may use only what both have.
//  - bench/*.mjs, tests/web/*.js, *.mjs: Node, timing the page's code and driving the browsers.
//  - tests/web/page_side/: functions that browser.py and test_page.py call in the page.
import js from '@eslint/js';
import globals from 'globals';

const common = Object.fromEntries(Object.entries(globals.browser).filter(([name]) => name in globals.worker));

export default [
  {
    // What the builds make, and the packages npm installs.
    ignores: ['build*/**', 'out/**', 'dist/**', '**/node_modules/**'],
  },
  js.configs.recommended,
  {
    linterOptions: { reportUnusedDisableDirectives: 'error' },
    rules: {
      eqeqeq: ['error', 'always'],
      'no-var': 'error',
      'prefer-const': 'error',
      'no-unused-vars': ['error', { args: 'after-used', caughtErrors: 'none' }],
    },
  },
  {
    files: ['web/**/*.js'],
    languageOptions: { ecmaVersion: 2022, sourceType: 'module', globals: common },
  },
  {
    files: ['web/screen/**/*.js'],
    languageOptions: { globals: globals.browser },
  },
  {
    files: ['web/worker/**/*.js', 'web/saver/**/*.js'],
    languageOptions: { globals: globals.worker },
  },
  {
    files: ['bench/*.mjs', 'tests/web/*.js', 'tests/web/*.mjs', 'tests/web/png/*.mjs'],
    languageOptions: { ecmaVersion: 2022, sourceType: 'module', globals: globals.node },
  },
  {
    // Each file is one function expression, whose value the harness calls in the page.
    files: ['tests/web/page_side/*.js'],
    languageOptions: { ecmaVersion: 2022, sourceType: 'script', globals: globals.browser },
  },
];
