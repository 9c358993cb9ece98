-- W4 procedure calls
local function add2(a, b)
  return a + b
end
local function main(n)
  local s = 0
  local i = 0
  while i < n do
    i = i + 1
    s = add2(s, 3)
  end
  print(s)
end
main(math.tointeger(tonumber(arg[1])))
