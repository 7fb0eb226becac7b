// A frozen table whose unknown names throw when read: a mistyped name fails where
// it is used, instead of travelling on as undefined.
export function strict(table, what) {
  return new Proxy(Object.freeze({ ...table }), {
    get(target, name) {
      // Symbols are the language's own questions (how to print it, to iterate it).
      if (typeof name !== 'symbol' && !Object.hasOwn(target, name)) {
        throw new TypeError(`${what} has no ${String(name)}`);
      }
      return target[name];
    },
  });
}
